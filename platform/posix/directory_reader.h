#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace platform::posix {

// Reads a folder's entries with as few system calls as the platform allows. On Linux one
// getdents64 call fills a large buffer; opendir and readdir would add an fstat and a fcntl
// per folder, which on a tree of many small folders costs as much as the reading itself.
class DirectoryReader {
 public:
  DirectoryReader() = default;
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;
  ~DirectoryReader() {
#if defined(__linux__)
    if (fd_ >= 0) ::close(fd_);
#else
    if (dir_ != nullptr) ::closedir(dir_);
#endif
  }

  // Opens `path`, relative to the folder `at` (AT_FDCWD: the current folder) and following
  // links only where `follow` says so. Returns 0 or the errno of the failed open.
  int Open(const char* path, int at = AT_FDCWD, bool follow = true) {
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
#if defined(__linux__)
    fd_ = ::openat(at, path, flags);
    return fd_ < 0 ? errno : 0;
#else
    int fd = ::openat(at, path, flags);
    if (fd < 0) return errno;
    dir_ = ::fdopendir(fd);
    if (dir_ == nullptr) {
      int err = errno;
      ::close(fd);
      return err;
    }
    fd_ = fd;
    return 0;
#endif
  }
  int fd() const { return fd_; }
  // The errno that ended the reading early, or 0.
  int error() const { return error_; }

  // The next entry's name and type (DT_*); false at the end or after an error.
  bool Next(const char** name, unsigned char* type) {
#if defined(__linux__)
    for (;;) {
      if (position_ < filled_) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_ + position_);
        position_ += entry->d_reclen;
        *name = entry->d_name;
        *type = entry->d_type;
        return true;
      }
      ssize_t got = ::getdents64(fd_, buffer_, sizeof buffer_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        if (got < 0) error_ = errno;
        return false;
      }
      position_ = 0;
      filled_ = static_cast<std::size_t>(got);
    }
#else
    errno = 0;
    const dirent* entry = ::readdir(dir_);
    if (entry == nullptr) {
      error_ = errno;
      return false;
    }
    *name = entry->d_name;
    *type = entry->d_type;
    return true;
#endif
  }

 private:
  int fd_ = -1;
  int error_ = 0;
#if defined(__linux__)
  alignas(8) char buffer_[32768];
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
#else
  DIR* dir_ = nullptr;
#endif
};

}  // namespace platform::posix
