#include <windows.h>

#include "platform/temp_file.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {

using win32::LastErrorStatus;

std::string TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 2];
  DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0 || length > MAX_PATH + 1) return std::string();
  std::string folder = win32::Narrow(std::wstring_view(buffer, length));
  if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
  return folder;
}

// GetTempFileNameW names the file with the first three characters of the prefix and four
// upper-case hexadecimal digits, and tries every number before it gives up.
Status CreateUniqueFile(const std::string& folder, std::string_view prefix, std::string* path) {
  if (prefix.size() > 3) {
    return Status::Error(kInvalidArgument, "create(" + folder + std::string(prefix) +
                                               "????.tmp): the prefix is longer than three");
  }
  std::wstring wide_folder = folder.empty() ? std::wstring(L".") : win32::WidePath(folder);
  wchar_t name[MAX_PATH + 1];
  if (::GetTempFileNameW(wide_folder.c_str(), win32::Widen(prefix).c_str(), 0, name) == 0) {
    return LastErrorStatus("create", folder + std::string(prefix) + "????.tmp");
  }
  std::string created = win32::Narrow(name);
  // In the current folder the system writes ".\"; the contract's name has no folder part.
  if (folder.empty() && created.starts_with(".\\")) created.erase(0, 2);
  *path = std::move(created);
  return Status::Ok();
}

Status RenameNoReplace(const std::string& from, const std::string& to) {
  if (!::MoveFileExW(win32::WidePath(from).c_str(), win32::WidePath(to).c_str(), 0)) {
    return LastErrorStatus("rename", from + " -> " + to);
  }
  return Status::Ok();
}

Status RemoveFile(const std::string& path) {
  if (!::DeleteFileW(win32::WidePath(path).c_str())) return LastErrorStatus("delete", path);
  return Status::Ok();
}

Status RemoveEmptyFolder(const std::string& path) {
  if (!::RemoveDirectoryW(win32::WidePath(path).c_str())) {
    return LastErrorStatus("remove folder", path);
  }
  return Status::Ok();
}

}  // namespace platform
