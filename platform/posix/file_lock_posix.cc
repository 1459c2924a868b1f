#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"
#include "platform/posix/file_util.h"
#include "platform/posix/posix_error.h"

namespace platform {
namespace {

using posix::ErrnoStatus;

class PosixLockedFile final : public LockedFile {
 public:
  explicit PosixLockedFile(posix::UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  posix::UniqueFd fd_;  // closing it releases the lock
};

}  // namespace

std::unique_ptr<LockedFile> LockedFile::Open(const std::string& path, Status* status) {
  // O_NONBLOCK keeps a FIFO put in the file's place from blocking the open.
  posix::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) {
    *status = ErrnoStatus(errno, "open", path);
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) {
    *status = ErrnoStatus(errno, "stat", path);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    *status = Status::Error(kPathFileAccessError, "lock(" + path + "): not a regular file");
    return nullptr;
  }
  // An open-file-description lock belongs to this descriptor, not to the process: a second
  // lock from this process conflicts too, and closing another descriptor of the same file
  // does not drop it.
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd.get(), F_OFD_SETLK, &lock) != 0) {
    int err = errno;
    *status = err == EAGAIN || err == EACCES
                  ? Status::Error(kPermissionDenied, "lock(" + path + "): locked by another")
                  : ErrnoStatus(err, "lock", path);
    return nullptr;
  }
  *status = Status::Ok();
  return std::make_unique<PosixLockedFile>(std::move(fd));
}

}  // namespace platform
