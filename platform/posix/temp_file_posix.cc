#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "platform/posix/posix_error.h"
#include "platform/temp_file.h"

namespace platform {

using posix::ErrnoStatus;

std::string TemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = tmpdir != nullptr && tmpdir[0] == '/' ? tmpdir : P_tmpdir;
  if (folder.empty()) return std::string();
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

Status CreateUniqueFile(const std::string& folder, std::string_view prefix, std::string* path) {
  static const char kHex[] = "0123456789ABCDEF";
  // Numbers go up from a start that differs in every process, so two programs do not walk
  // the same numbers in step, and successive calls (a caller that skips names of its own)
  // go on where the last one ended.
  static std::atomic<unsigned> next = [] {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<unsigned>(now.tv_nsec) ^ static_cast<unsigned>(::getpid());
  }();
  for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
    unsigned number = next.fetch_add(1) & 0xFFFF;
    std::string candidate = folder;
    candidate.append(prefix);
    for (int shift = 12; shift >= 0; shift -= 4) candidate.push_back(kHex[(number >> shift) & 0xF]);
    candidate.append(".tmp");
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      ::close(fd);
      *path = std::move(candidate);
      return Status::Ok();
    }
    if (errno != EEXIST) return ErrnoStatus(errno, "create", candidate);
  }
  return Status::Error(kFileAlreadyExists,
                       "create(" + folder + std::string(prefix) + "????.tmp): every name is taken");
}

Status RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return Status::Ok();
  }
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
    return ErrnoStatus(errno, "rename", from + " -> " + to);
  }
  // File systems without RENAME_NOREPLACE: a hard link refuses an existing name too.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return Status::Ok();
  }
  if (errno != EPERM && errno != EOPNOTSUPP)
    return ErrnoStatus(errno, "rename", from + " -> " + to);
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return ErrnoStatus(EEXIST, "rename", from + " -> " + to);
  if (::rename(from.c_str(), to.c_str()) != 0) {
    return ErrnoStatus(errno, "rename", from + " -> " + to);
  }
  return Status::Ok();
}

Status RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return ErrnoStatus(errno, "unlink", path);
  return Status::Ok();
}

Status RemoveEmptyFolder(const std::string& path) {
  if (::rmdir(path.c_str()) != 0) return ErrnoStatus(errno, "rmdir", path);
  return Status::Ok();
}

}  // namespace platform
