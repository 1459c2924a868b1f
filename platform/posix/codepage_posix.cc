#include <errno.h>
#include <iconv.h>

#include <cstdio>
#include <map>

#include "platform/codepage.h"
#include "platform/text.h"

namespace platform {
namespace {

// One iconv descriptor per code page and thread, opened on first use and kept: opening
// one costs far more than converting a name.
class Converters {
 public:
  ~Converters() {
    for (auto& [code_page, cd] : open_) {
      if (cd != kInvalid) iconv_close(cd);
    }
  }

  iconv_t For(std::uint32_t code_page) {
    auto it = open_.find(code_page);
    if (it != open_.end()) return it->second;
    char name[16];
    std::snprintf(name, sizeof name, "CP%u", static_cast<unsigned>(code_page));
    iconv_t cd = iconv_open("UTF-8", name);
    open_.emplace(code_page, cd);
    return cd;
  }

  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

 private:
  std::map<std::uint32_t, iconv_t> open_;
};

}  // namespace

bool CodePageToUtf8(std::uint32_t code_page, std::string_view bytes, std::string* out) {
  if (code_page == kCodePageUtf8) {
    if (!IsValidUtf8(bytes)) return false;
    out->assign(bytes);
    return true;
  }
  thread_local Converters converters;
  iconv_t cd = converters.For(code_page);
  if (cd == Converters::kInvalid) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

  out->assign(bytes.size() * 4 + 4, '\0');  // enough for any code page's characters
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char* to = out->data();
  std::size_t to_left = out->size();
  if (iconv(cd, &in, &in_left, &to, &to_left) == static_cast<std::size_t>(-1)) return false;
  if (iconv(cd, nullptr, nullptr, &to, &to_left) == static_cast<std::size_t>(-1)) return false;
  out->resize(out->size() - to_left);
  return true;
}

}  // namespace platform
