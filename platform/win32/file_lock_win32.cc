#include <windows.h>

#include "platform/file_lock.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

class Win32LockedFile final : public LockedFile {
 public:
  explicit Win32LockedFile(win32::Handle file) : file_(std::move(file)) {}

 private:
  win32::Handle file_;  // closing it ends the lock
};

}  // namespace

// Opened for writing with no sharing at all: nobody else may read or write the file, nor
// open it again, until it is closed.
std::unique_ptr<LockedFile> LockedFile::Open(const std::string& path, Status* status) {
  win32::Handle file(::CreateFileW(win32::WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    DWORD error = ::GetLastError();
    *status = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                  ? Status::Error(kPermissionDenied, "lock(" + path + "): locked by another")
                  : win32::ErrorStatus(error, "open", path);
    return nullptr;
  }
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
    *status = Status::Error(kPathFileAccessError, "lock(" + path + "): not a regular file");
    return nullptr;
  }
  *status = Status::Ok();
  return std::make_unique<Win32LockedFile>(std::move(file));
}

}  // namespace platform
