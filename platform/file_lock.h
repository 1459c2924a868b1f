#pragma once

#include <memory>
#include <string>

#include "platform/status.h"

namespace platform {

// An existing file held open for writing and locked against other lockers for as long as
// the object lives. On POSIX the lock is an advisory whole-file write lock that belongs to
// this open file (not to the process): a second LockedFile on the same file fails, from
// this process or any other, and so does every program that asks for a POSIX record lock
// on it. Programs that ignore locks can still read and write the file.
class LockedFile {
 public:
  virtual ~LockedFile() = default;

  // Opens the regular file `path` for writing (never creating or truncating it) and locks
  // it without waiting. Returns null with `status` set when the file is missing, is not a
  // regular file, may not be written, or is locked by someone else (kPermissionDenied).
  static std::unique_ptr<LockedFile> Open(const std::string& path, Status* status);
};

}  // namespace platform
