#include <windows.h>
// Our own SearchPath, not the macro for the system call of that name.
#undef SearchPath

#include <string>
#include <vector>

#include "platform/search.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::wstring WithoutFileName(std::wstring path) {
  std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return std::wstring();
  // A drive's root keeps its separator.
  path.resize(separator == 2 && path[1] == L':' ? separator + 1 : separator);
  return path;
}

std::wstring ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring SystemFolder(UINT (*query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH + 1];
  UINT length = query(buffer, MAX_PATH + 1);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace

std::string ProgramFolder() { return win32::Narrow(WithoutFileName(ModulePath())); }

// A library planted in the current folder, or in a folder of PATH, would run with the
// user's rights; so only the program's folder and the system folders are searched.
std::vector<std::string> LibraryFolders() {
  std::vector<std::string> folders;
  for (const std::wstring& folder :
       {WithoutFileName(ModulePath()), SystemFolder(::GetSystemDirectoryW),
        SystemFolder(::GetWindowsDirectoryW)}) {
    if (!folder.empty()) folders.push_back(win32::Narrow(folder));
  }
  return folders;
}

std::string SearchPath(std::string_view file_name) {
  if (file_name.empty()) return std::string();
  if (file_name.find_first_of("\\/") != std::string_view::npos) {
    std::wstring path = win32::WidePath(file_name);
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::string();
    }
    return std::string(file_name);
  }
  std::wstring folders;
  for (const std::string& folder : LibraryFolders()) {
    if (!folders.empty()) folders += L';';
    folders += win32::Widen(folder);
  }
  std::wstring name = win32::WidePath(file_name);
  DWORD needed = ::SearchPathW(folders.c_str(), name.c_str(), nullptr, 0, nullptr, nullptr);
  if (needed == 0) return std::string();
  std::wstring found(needed, L'\0');
  DWORD length =
      ::SearchPathW(folders.c_str(), name.c_str(), nullptr, needed, found.data(), nullptr);
  if (length == 0 || length >= needed) return std::string();
  found.resize(length);
  DWORD attributes = ::GetFileAttributesW(found.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::string();
  }
  return win32::Narrow(found);
}

}  // namespace platform
