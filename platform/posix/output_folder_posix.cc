#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/output_folder.h"
#include "platform/posix/file_copy.h"
#include "platform/posix/file_util.h"
#include "platform/posix/posix_error.h"

namespace platform {
namespace {

using posix::ErrnoStatus;
using posix::UniqueFd;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsSingleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

Status BadName(std::string_view operation, std::string_view name) {
  return Status::Error(kBadFileName,
                       std::string(operation) + "(" + std::string(name) + "): not a single name");
}

// The umask, read without changing it (umask(2) can only be read by setting it, which
// would race with other threads creating files).
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("Umask:", 0) == 0)
        return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return static_cast<mode_t>(022);
  }();
  return mask;
}

struct timespec Seconds(std::int64_t seconds) {
  struct timespec time {};
  time.tv_sec = static_cast<time_t>(seconds);
  return time;
}

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(int folder, UniqueFd fd, std::string name)
      : folder_(folder), fd_(std::move(fd)), name_(std::move(name)) {}
  ~PosixOutputFile() override {
    if (!done_) ::unlinkat(folder_, name_.c_str(), 0);
  }

  Status Write(std::span<const std::uint8_t> bytes) override {
    return posix::WriteAll(
        fd_.get(), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        name_);
  }

  Status Commit(std::string_view name, std::optional<unsigned> mode, std::int64_t mtime,
                bool replace) override {
    Status status = Finish(name, mode, mtime, replace);
    if (!status.ok()) ::unlinkat(folder_, name_.c_str(), 0);
    done_ = true;
    return status;
  }

 private:
  Status Finish(std::string_view name, std::optional<unsigned> mode, std::int64_t mtime,
                bool replace) {
    if (!IsSingleName(name)) return BadName("rename", name);
    const std::string target(name);
    const mode_t bits = mode ? static_cast<mode_t>(*mode & 0777) : 0666 & ~CurrentUmask();
    // FAT and its kin keep neither bits nor (through some FUSE drivers) times: the file's
    // bytes are what matters, as for a copy.
    if (::fchmod(fd_.get(), bits) != 0 && !posix::IsRefusal(errno)) {
      return ErrnoStatus(errno, "chmod", name_);
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, Seconds(mtime)};
    if (::futimens(fd_.get(), times) != 0 && !posix::IsRefusal(errno)) {
      return ErrnoStatus(errno, "utimens", name_);
    }
    if (fd_.Close() != 0) return ErrnoStatus(errno, "close", name_);
    return replace ? Replace(target) : RenameNoReplace(target);
  }

  Status Replace(const std::string& target) {
    if (::renameat(folder_, name_.c_str(), folder_, target.c_str()) != 0) {
      return ErrnoStatus(errno, "rename", target);
    }
    return Status::Ok();
  }

  Status RenameNoReplace(const std::string& target) {
    if (::renameat2(folder_, name_.c_str(), folder_, target.c_str(), RENAME_NOREPLACE) == 0) {
      return Status::Ok();
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      return ErrnoStatus(errno, "rename", target);
    }
    // File systems without RENAME_NOREPLACE: a hard link refuses an existing name too.
    if (::linkat(folder_, name_.c_str(), folder_, target.c_str(), 0) != 0) {
      return ErrnoStatus(errno, "link", target);
    }
    ::unlinkat(folder_, name_.c_str(), 0);
    return Status::Ok();
  }

  int folder_;  // owned by the folder, which outlives its files
  UniqueFd fd_;
  std::string name_;
  bool done_ = false;  // committed, or removed after a failed commit
};

class PosixOutputFolder final : public OutputFolder {
 public:
  explicit PosixOutputFolder(UniqueFd fd) : fd_(std::move(fd)) {}

  Status OpenFolder(std::string_view name, bool create, std::unique_ptr<OutputFolder>* folder,
                    bool* created) override {
    *created = false;
    if (!IsSingleName(name)) return BadName("open", name);
    const std::string child(name);
    if (create) {
      if (::mkdirat(fd_.get(), child.c_str(), 0777) == 0) {
        *created = true;
      } else if (errno != EEXIST) {
        return ErrnoStatus(errno, "mkdir", child);
      }
    }
    UniqueFd fd(::openat(fd_.get(), child.c_str(), kFolderFlags));
    if (fd.get() < 0) {
      int err = errno;
      if (err == ENOENT) return Status::Error(kPathNotFound, "open(" + child + "): no such folder");
      if (err == ELOOP || err == ENOTDIR) {
        return Status::Error(kPathFileAccessError,
                             "open(" + child + "): not a folder (a link or a file has its name)");
      }
      return ErrnoStatus(err, "open", child);
    }
    *folder = std::make_unique<PosixOutputFolder>(std::move(fd));
    return Status::Ok();
  }

  Status Exists(std::string_view name, bool* exists) override {
    if (!IsSingleName(name)) return BadName("stat", name);
    struct stat st;
    if (::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      *exists = true;
      return Status::Ok();
    }
    *exists = false;
    if (errno == ENOENT) return Status::Ok();
    return ErrnoStatus(errno, "stat", name);
  }

  Status CreateTemporary(std::unique_ptr<OutputFile>* file) override {
    static const std::string prefix = ".grebewick-" + std::to_string(::getpid()) + "-";
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = prefix + std::to_string(counter.fetch_add(1)) + ".tmp";
      int fd = ::openat(fd_.get(), name.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0) {
        *file = std::make_unique<PosixOutputFile>(fd_.get(), UniqueFd(fd), std::move(name));
        return Status::Ok();
      }
      if (errno != EEXIST) return ErrnoStatus(errno, "create", name);
    }
    return Status::Error(kFileAlreadyExists, "create(" + prefix + "N.tmp): every name is taken");
  }

  Status SetAttributes(std::optional<unsigned> mode, std::optional<std::int64_t> mtime) override {
    if (mode && ::fchmod(fd_.get(), static_cast<mode_t>(*mode & 0777)) != 0) {
      return ErrnoStatus(errno, "chmod", "folder");
    }
    if (mtime) {
      const struct timespec times[2] = {{0, UTIME_OMIT}, Seconds(*mtime)};
      if (::futimens(fd_.get(), times) != 0) return ErrnoStatus(errno, "utimens", "folder");
    }
    return Status::Ok();
  }

 private:
  UniqueFd fd_;
};

}  // namespace

Status OutputFolder::Open(const std::string& path, std::unique_ptr<OutputFolder>* folder) {
  // Each missing folder of the path is made in turn, as mkdir -p does.
  std::string walked;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    walked = path.substr(0, end);
    struct stat st;
    if (!walked.empty() && ::stat(walked.c_str(), &st) != 0) {
      if (errno != ENOENT) return ErrnoStatus(errno, "stat", walked);
      if (::mkdir(walked.c_str(), 0777) != 0 && errno != EEXIST) {
        return ErrnoStatus(errno, "mkdir", walked);
      }
    }
    start = end + 1;
  }
  UniqueFd fd(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return ErrnoStatus(errno, "open", path);
  *folder = std::make_unique<PosixOutputFolder>(std::move(fd));
  return Status::Ok();
}

}  // namespace platform
