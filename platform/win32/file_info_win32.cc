#include <windows.h>

#include <vector>

#include "platform/file_info.h"
#include "platform/win32/wide.h"

namespace platform {

bool ReadFileVersion(const std::string& path, FileVersionNumbers* version) {
  std::wstring wide = win32::WidePath(path);
  DWORD unused = 0;
  DWORD size = ::GetFileVersionInfoSizeW(wide.c_str(), &unused);
  if (size < 1) return false;
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(wide.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
      fixed == nullptr || fixed_size < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  version->most_significant = fixed->dwFileVersionMS;
  version->least_significant = fixed->dwFileVersionLS;
  return true;
}

bool ShortPathName(const std::string& long_path, std::string* short_path) {
  std::wstring wide = win32::Widen(long_path);
  DWORD needed = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::wstring buffer(needed, L'\0');
  DWORD length = ::GetShortPathNameW(wide.c_str(), buffer.data(), needed);
  if (length == 0 || length >= needed) return false;
  buffer.resize(length);
  *short_path = win32::Narrow(buffer);
  return true;
}

}  // namespace platform
