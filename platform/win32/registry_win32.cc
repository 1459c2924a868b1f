#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

bool RootKey(std::uint32_t root, HKEY* key) {
  switch (root) {
    case kClassesRoot:
      *key = HKEY_CLASSES_ROOT;
      return true;
    case kCurrentUser:
      *key = HKEY_CURRENT_USER;
      return true;
    case kLocalMachine:
      *key = HKEY_LOCAL_MACHINE;
      return true;
    case kUsers:
      *key = HKEY_USERS;
      return true;
    case kCurrentConfig:
      *key = HKEY_CURRENT_CONFIG;
      return true;
    default:
      return false;
  }
}

// The same key paths the POSIX store refuses are refused here, before the registry could
// read them its own way ("a\\b" names an empty key there, "\a" the root's child).
bool IsWellFormed(std::string_view key_path) {
  if (key_path.find('\0') != std::string_view::npos) return false;
  if (key_path.empty()) return true;
  return key_path.front() != '\\' && key_path.back() != '\\' &&
         key_path.find("\\\\") == std::string_view::npos;
}

std::string Describe(std::uint32_t root, std::string_view key_path, std::string_view value_name) {
  std::string text(RootName(root));
  if (!key_path.empty()) text.append("\\").append(key_path);
  return text.append(" ").append(value_name);
}

class KeyHandle {
 public:
  KeyHandle() = default;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class Win32Registry final : public Registry {
 public:
  // Keys are opened only for what is done with them: a user who may read a key of the
  // machine but not change it still reads it.
  Status QueryValue(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                    RegistryValue* value) override {
    HKEY root_key;
    const std::string where = Describe(root, key_path, value_name);
    if (!RootKey(root, &root_key) || !IsWellFormed(key_path) ||
        value_name.find('\0') != std::string_view::npos) {
      return Status::Error(kInvalidArgument, "query(" + where + "): no such key");
    }
    KeyHandle key;
    LSTATUS result =
        ::RegOpenKeyExW(root_key, win32::Widen(key_path).c_str(), 0, KEY_QUERY_VALUE, key.out());
    if (result != ERROR_SUCCESS) return Missing(result, where);
    const std::wstring name = win32::Widen(value_name);
    std::vector<BYTE> data(256);
    DWORD type = 0;
    for (;;) {
      DWORD size = static_cast<DWORD>(data.size());
      result = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
      if (result == ERROR_MORE_DATA) {
        data.resize(size + 2);
        continue;
      }
      if (result != ERROR_SUCCESS) return Missing(result, where);
      data.resize(size);
      break;
    }
    value->type = type;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()),
                             data.size() / sizeof(wchar_t));
      if (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
      value->data = win32::Narrow(text);
    } else {
      value->data.assign(reinterpret_cast<const char*>(data.data()), data.size());
    }
    return Status::Ok();
  }

  Status SetValue(std::uint32_t root, std::string_view key_path, std::string_view value_name,
                  const RegistryValue& value) override {
    HKEY root_key;
    const std::string where = Describe(root, key_path, value_name);
    if (!RootKey(root, &root_key) || !IsWellFormed(key_path) ||
        value_name.find('\0') != std::string_view::npos) {
      return Status::Error(kInvalidArgument, "set(" + where + "): no such key");
    }
    KeyHandle key;
    LSTATUS result =
        ::RegCreateKeyExW(root_key, win32::Widen(key_path).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.out(), nullptr);
    if (result != ERROR_SUCCESS) return win32::ErrorStatus(result, "create", where);
    std::wstring text;
    const BYTE* bytes;
    std::size_t size;
    if (value.IsString()) {
      text = win32::Widen(value.data);
      bytes = reinterpret_cast<const BYTE*>(text.c_str());
      size = (text.size() + 1) * sizeof(wchar_t);  // with its terminating NUL
    } else {
      bytes = reinterpret_cast<const BYTE*>(value.data.data());
      size = value.data.size();
    }
    result = ::RegSetValueExW(key.get(), win32::Widen(value_name).c_str(), 0, value.type, bytes,
                              static_cast<DWORD>(size));
    if (result != ERROR_SUCCESS) return win32::ErrorStatus(result, "set", where);
    return Status::Ok();
  }

 private:
  static Status Missing(LSTATUS result, const std::string& where) {
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND) {
      return Status::Error(kFileNotFound, "query(" + where + "): not found");
    }
    return win32::ErrorStatus(static_cast<DWORD>(result), "query", where);
  }
};

}  // namespace

Registry& Registry::Default() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform
