#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/input_file.h"
#include "platform/posix/file_util.h"
#include "platform/posix/posix_error.h"

namespace platform {
namespace {

class PosixInputFile final : public InputFile {
 public:
  PosixInputFile(posix::UniqueFd fd, const struct stat& st, std::string path)
      : fd_(std::move(fd)), path_(std::move(path)) {
    size_ = static_cast<std::uint64_t>(st.st_size);
    mtime_ = st.st_mtim.tv_sec;
    mode_ = st.st_mode & 07777;
  }

  Status Read(std::span<std::uint8_t> buffer, std::size_t* got) override {
    for (;;) {
      ssize_t n = ::read(fd_.get(), buffer.data(), buffer.size());
      if (n >= 0) {
        *got = static_cast<std::size_t>(n);
        return Status::Ok();
      }
      if (errno != EINTR) return posix::ErrnoStatus(errno, "read", path_);
    }
  }

 private:
  posix::UniqueFd fd_;
  std::string path_;
};

}  // namespace

Status InputFile::Open(const std::string& path, std::unique_ptr<InputFile>* file) {
  // O_NONBLOCK: a FIFO in a file's place must not hang the open.
  posix::UniqueFd fd(
      ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ELOOP) {
      return Status::Error(kFileNotFound, "open(" + path + "): a symbolic link, not a file");
    }
    if (errno == ENOENT || errno == ENOTDIR) {
      return Status::Error(kFileNotFound, "open(" + path + "): no such file");
    }
    return posix::ErrnoStatus(errno, "open", path);
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return posix::ErrnoStatus(errno, "stat", path);
  if (!S_ISREG(st.st_mode)) {
    return Status::Error(kFileNotFound, "open(" + path + "): not a regular file");
  }
  *file = std::make_unique<PosixInputFile>(std::move(fd), st, path);
  return Status::Ok();
}

}  // namespace platform
