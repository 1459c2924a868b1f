#include "util/c_reg.h"

#include <new>

#include "platform/vb_error.h"

namespace util {
namespace {

// The registry's reading buffer: a value longer than this with its NUL does not fit.
constexpr std::size_t kReadBuffer = 256;

std::string_view CString(const std::string& text) {
  return std::string_view(text.c_str());  // ends at the first NUL, as the platform reads it
}

}  // namespace

std::string cReg::RegGetString(std::uint32_t lnghInKey, const std::string& strSubKey,
                               const std::string& strValName) const {
  try {
    platform::RegistryValue value;
    if (!registry_->QueryValue(lnghInKey, CString(strSubKey), CString(strValName), &value).ok() ||
        value.type != platform::kRegString || value.QuerySize() > kReadBuffer) {
      return std::string();
    }
    return std::string(CString(value.data));
  } catch (...) {
    return std::string();
  }
}

bool cReg::RegSetString(std::uint32_t lnghKey, const std::string& strSubKey,
                        const std::string& strSetValue, const std::string& strValue) const {
  int number = 0;
  std::string description;
  try {
    return registry_
        ->SetValue(lnghKey, CString(strSubKey), CString(strSetValue),
                   platform::RegistryValue::String(strValue))
        .ok();
  } catch (const platform::VbError& error) {
    if (messages_ == nullptr) throw;
    number = error.number();
    description = error.what();
  } catch (const std::bad_alloc&) {
    if (messages_ == nullptr) throw;
    number = platform::kOutOfMemory;
    description = "out of memory";
  }
  messages_->MsgBox("ERROR #" + std::to_string(number) + " : " + description, platform::kOkOnly);
  return false;
}

}  // namespace util
