#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/posix_error.h"

namespace platform {
namespace {

using posix::ErrnoStatus;

// Closes a descriptor on every way out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the close's own failure (a late write error on some file
  // systems surfaces only here).
  int Close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

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

  // Returns 0 or the errno of the failed open.
  int Open(const char* path) {
#if defined(__linux__)
    fd_ = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd_ < 0 ? errno : 0;
#else
    dir_ = ::opendir(path);
    if (dir_ == nullptr) return errno;
    fd_ = ::dirfd(dir_);
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

bool IsHiddenName(std::string_view name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

std::string_view LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

// A process with a file-size limit is killed by SIGXFSZ on the write that crosses it;
// ignoring the signal turns that into EFBIG, which the copy reports like a full disk.
void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

Status WriteAll(int out, const char* data, std::size_t size, const std::string& destination) {
  while (size > 0) {
    ssize_t written = ::write(out, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, "write", destination);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return Status::Ok();
}

Status CopyByReadWrite(int in, int out, const std::string& source, const std::string& destination) {
  constexpr std::size_t kBufferSize = 1 << 20;
  thread_local std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    ssize_t got = ::read(in, buffer.get(), kBufferSize);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, "read", source);
    }
    if (got == 0) return Status::Ok();
    Status status = WriteAll(out, buffer.get(), static_cast<std::size_t>(got), destination);
    if (!status.ok()) return status;
  }
}

// copy_file_range lets the kernel copy (or share extents) without a trip through user
// space, but it refuses across file systems (EXDEV) and on some file systems; then the
// plain read/write loop does the whole copy. That fallback is the common case for a
// backup onto another disk. The copy takes the size the file had when it was opened: a
// file that grows meanwhile is copied as it was judged.
Status CopyData(int in, int out, std::uint64_t size, const std::string& source,
                const std::string& destination) {
  // Files that report no size (some pseudo files) may still have content: read them.
  if (size == 0) return CopyByReadWrite(in, out, source, destination);
  std::uint64_t copied_total = 0;
  while (copied_total < size) {
    ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, size - copied_total, 0);
    if (copied > 0) {
      copied_total += static_cast<std::uint64_t>(copied);
      continue;
    }
    if (copied == 0) return Status::Ok();  // the file shrank meanwhile
    if (errno == EINTR) continue;
    bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                       errno == EOPNOTSUPP || errno == EPERM || errno == ETXTBSY;
    if (unsupported && copied_total == 0) return CopyByReadWrite(in, out, source, destination);
    return ErrnoStatus(errno, "copy", destination);
  }
  return Status::Ok();
}

std::string TemporaryNameFor(const std::string& destination) {
  static const std::string prefix = ".grebewick-" + std::to_string(::getpid()) + "-";
  static std::atomic<unsigned> counter{0};
  return FolderOf(destination) + prefix + std::to_string(counter.fetch_add(1)) + ".tmp";
}

class PosixFileSystem final : public FileSystem {
 public:
  Status List(const std::string& folder, ListWhat what, bool want_stat,
              FunctionRef<bool(const ListedEntry&)> visit) override {
    const std::string& path = folder.empty() ? kCurrent : folder;
    DirectoryReader dir;
    if (int err = dir.Open(path.c_str()); err != 0) {
      if (err == ENOENT || err == ENOTDIR) {
        return Status::Error(kPathNotFound, "opendir(" + path + "): no such folder");
      }
      return ErrnoStatus(err, "opendir", path);
    }
    const int fd = dir.fd();
    // The first per-entry failure is reported once the rest of the folder has been listed.
    Status failure;
    auto note_failure = [&](int err, const char* name) {
      if (failure.ok()) failure = ErrnoStatus(err, "stat", path + "/" + name);
    };
    const char* name;
    unsigned char type;
    while (dir.Next(&name, &type)) {
      if (name[0] == '.') continue;  // ".", ".." and hidden names

      bool is_folder = false;
      bool have_stat = false;
      struct stat st;
      switch (type) {
        case DT_DIR:
          is_folder = true;
          break;
        case DT_REG:
          break;
        case DT_LNK:
        case DT_UNKNOWN: {
          bool is_link = type == DT_LNK;
          if (!is_link) {
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
              if (errno != ENOENT) note_failure(errno, name);
              continue;
            }
            is_link = S_ISLNK(st.st_mode);
          }
          if (is_link && ::fstatat(fd, name, &st, 0) != 0) {
            // Dangling links point at nothing: they are not files.
            if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP) note_failure(errno, name);
            continue;
          }
          have_stat = true;
          if (S_ISDIR(st.st_mode)) {
            if (is_link) continue;  // never walk a link to a folder: no loops
            is_folder = true;
          } else if (!S_ISREG(st.st_mode)) {
            continue;
          }
          break;
        }
        default:
          continue;  // sockets, FIFOs and devices count as system entries
      }
      if (is_folder ? what == ListWhat::kFiles : what == ListWhat::kFolders) continue;

      ListedEntry listed;
      listed.name = name;
      listed.is_folder = is_folder;
      if (!is_folder && want_stat) {
        if (!have_stat && ::fstatat(fd, name, &st, 0) != 0) {
          if (errno != ENOENT) note_failure(errno, name);
          continue;
        }
        if (!S_ISREG(st.st_mode)) continue;  // replaced by something else meanwhile
        listed.size = static_cast<std::uint64_t>(st.st_size);
        listed.mtime = st.st_mtim.tv_sec;
      }
      if (!visit(listed)) return failure;
    }
    if (dir.error() != 0) return ErrnoStatus(dir.error(), "readdir", path);
    return failure;
  }

  Status Probe(const std::string& path, EntryInfo* info) override {
    *info = EntryInfo();
    struct stat st;
    if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) {
      int err = errno;
      if (err == ENOENT || err == ENOTDIR) return Status::Ok();
      if (err == ELOOP) {
        info->kind = EntryKind::kSystem;
        return Status::Ok();
      }
      return ErrnoStatus(err, "stat", path);
    }
    if (S_ISREG(st.st_mode)) {
      info->kind = EntryKind::kFile;
      info->size = static_cast<std::uint64_t>(st.st_size);
    } else if (S_ISDIR(st.st_mode)) {
      info->kind = EntryKind::kFolder;
    } else {
      info->kind = EntryKind::kSystem;
    }
    info->hidden = IsHiddenName(LastComponent(path));
    info->read_only = (st.st_mode & S_IWUSR) == 0;
    info->mtime = st.st_mtim.tv_sec;
    return Status::Ok();
  }

  Status MakeFolder(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) != 0) return ErrnoStatus(errno, "mkdir", path);
    return Status::Ok();
  }

  Status CopyFile(const std::string& source, const std::string& destination) override {
    IgnoreFileSizeSignal();
    // O_NONBLOCK keeps a FIFO that took the file's place from blocking the open forever;
    // it has no effect on regular files.
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0) return ErrnoStatus(errno, "open", source);
    struct stat st;
    if (::fstat(in.get(), &st) != 0) return ErrnoStatus(errno, "stat", source);
    if (!S_ISREG(st.st_mode)) {
      return Status::Error(kFileNotFound, "copy(" + source + "): not a regular file");
    }

    std::string temporary;
    int out_fd = -1;
    for (int attempt = 0; attempt < 100 && out_fd < 0; ++attempt) {
      temporary = TemporaryNameFor(destination);
      out_fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (out_fd < 0 && errno != EEXIST) return ErrnoStatus(errno, "create", temporary);
    }
    if (out_fd < 0) return ErrnoStatus(EEXIST, "create", temporary);
    FileDescriptor out(out_fd);

    Status status =
        CopyData(in.get(), out.get(), static_cast<std::uint64_t>(st.st_size), source, destination);
    if (status.ok() && ::fchmod(out.get(), st.st_mode & 0777) != 0) {
      status = ErrnoStatus(errno, "chmod", temporary);
    }
    if (status.ok()) {
      const struct timespec times[2] = {st.st_atim, st.st_mtim};
      if (::futimens(out.get(), times) != 0) status = ErrnoStatus(errno, "utimens", temporary);
    }
    if (out.Close() != 0 && status.ok()) status = ErrnoStatus(errno, "close", temporary);
    if (status.ok() && ::rename(temporary.c_str(), destination.c_str()) != 0) {
      status = ErrnoStatus(errno, "rename", destination);
    }
    if (!status.ok()) ::unlink(temporary.c_str());
    return status;
  }

  Status Flush(const std::string& path) override {
    FileDescriptor fd(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return ErrnoStatus(errno, "open", path);
    if (::syncfs(fd.get()) != 0) return ErrnoStatus(errno, "syncfs", path);
    return Status::Ok();
  }

  std::string CurrentFolder() override {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return std::string();
      buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
  }

 private:
  const std::string kCurrent = ".";
};

}  // namespace

FileSystem& FileSystem::Default() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace platform
