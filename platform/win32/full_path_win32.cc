#include <windows.h>

#include "platform/full_path.h"
#include "platform/win32/wide.h"

namespace platform {

std::string FullPath(const std::string& path) {
  std::wstring wide = win32::Widen(path.empty() ? std::string(".") : path);
  DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  // "C:\" and "\\server\share\" keep theirs; any other folder loses it.
  bool is_root =
      (full.size() == 3 && full[1] == L':') ||
      (full.starts_with(L"\\\\") && full.find(L'\\', full.find(L'\\', 2) + 1) == full.size() - 1);
  if (full.size() > 1 && full.back() == L'\\' && !is_root) full.pop_back();
  return win32::Narrow(full);
}

}  // namespace platform
