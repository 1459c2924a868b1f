#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform::posix {

// Closes a descriptor on every way out of a scope.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd();

  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and reports the close's own failure (a late write error surfaces there).
  int Close();

 private:
  int fd_;
};

// Reads the whole regular file `path`. A missing file is kFileNotFound; a file that is not
// a regular file (a FIFO would block the read) or is larger than `max_bytes` is
// kPathFileAccessError.
Status ReadWholeFile(const std::string& path, std::size_t max_bytes, std::string* contents);

// Writes all of `data` to `fd`, going on after short writes and interruptions.
Status WriteAll(int fd, std::string_view data, const std::string& path);

// Whether `path` is a regular file (links followed) that this process may execute.
bool IsExecutableFile(const std::string& path);

}  // namespace platform::posix
