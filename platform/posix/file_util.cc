#include "platform/posix/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/posix_error.h"

namespace platform::posix {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

int UniqueFd::Close() {
  int result = ::close(fd_);
  fd_ = -1;
  return result;
}

Status ReadWholeFile(const std::string& path, std::size_t max_bytes, std::string* contents) {
  contents->clear();
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) return ErrnoStatus(errno, "open", path);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ErrnoStatus(errno, "stat", path);
  if (!S_ISREG(st.st_mode)) {
    return Status::Error(kPathFileAccessError, "read(" + path + "): not a regular file");
  }
  if (static_cast<std::uint64_t>(st.st_size) > max_bytes) {
    return Status::Error(kPathFileAccessError, "read(" + path + "): file too large");
  }
  contents->reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, "read", path);
    }
    if (got == 0) return Status::Ok();
    if (contents->size() + static_cast<std::size_t>(got) > max_bytes) {
      return Status::Error(kPathFileAccessError, "read(" + path + "): file too large");
    }
    contents->append(buffer, static_cast<std::size_t>(got));
  }
}

Status WriteAll(int fd, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, "write", path);
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return Status::Ok();
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace platform::posix
