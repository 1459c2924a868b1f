#include "platform/posix/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/part_size.h"
#include "platform/posix/directory_reader.h"
#include "platform/posix/posix_error.h"
#include "platform/source_snapshot.h"

namespace platform::posix {
namespace {

constexpr std::string_view kTemporaryPrefix = ".grebewick-";
constexpr std::string_view kTemporarySuffix = ".tmp";

// The first part of a copy, and the bounds of the parts after it (see PartSizer). The
// read/write loop goes through a buffer of one part, so its parts stay smaller;
// copy_file_range may share extents or copy inside the kernel far faster.
constexpr std::size_t kFirstPart = 1 << 20;
constexpr std::size_t kMinPart = 64 << 10;
constexpr std::size_t kMaxBufferedPart = 8 << 20;
constexpr std::size_t kMaxKernelPart = 64 << 20;

// A process with a file-size limit is killed by SIGXFSZ on the write that crosses it;
// ignoring the signal turns that into EFBIG, which the copy reports like a full disk.
void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

// Answers of copy_file_range that mean "not between these two files": read and write.
bool KernelCopyUnsupported(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EPERM ||
         err == ETXTBSY;
}

int LockWhole(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
}

std::string NewTemporaryName() {
  static const std::string prefix =
      std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-";
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_string(counter.fetch_add(1)) + std::string(kTemporarySuffix);
}

std::string LocalText(const timespec& time) {
  const CivilTime t = ToLocalTime(time.tv_sec);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Changed(const struct stat& before, const struct stat& after) {
  return before.st_size != after.st_size || !SameTime(before.st_mtim, after.st_mtim) ||
         !SameTime(before.st_ctim, after.st_ctim);
}

std::string Grouped(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

// Copies exactly `size` bytes from the start of `in` to `out`, asking `keep_going` after
// each part and handing each part to `hash` when given. Sets `*shrank` when the source ends
// early.
Status CopyBytes(int in, int out, std::uint64_t size, KeepGoing keep_going,
                 const std::string& source, const std::string& temporary, HashSink* hash,
                 bool* shrank) {
  thread_local std::vector<char> buffer;
  // The kernel's copy never shows the bytes; hashed copies pass through the buffer.
  bool kernel_copy = hash == nullptr;
  PartSizer parts(kFirstPart, kMinPart, kernel_copy ? kMaxKernelPart : kMaxBufferedPart);
  std::uint64_t done = 0;
  while (done < size) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(parts.part(), size - done));
    const auto started = std::chrono::steady_clock::now();
    ssize_t got;
    if (kernel_copy) {
      got = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
      if (got < 0) {
        if (errno == EINTR) continue;
        // Across file systems (the common case for a backup disk) and on some file
        // systems only the plain loop works.
        if (done == 0 && KernelCopyUnsupported(errno)) {
          kernel_copy = false;
          parts = PartSizer(kFirstPart, kMinPart, kMaxBufferedPart);
          continue;
        }
        return ErrnoStatus(errno, "copy", temporary);
      }
    } else {
      if (buffer.size() < want) buffer.resize(want);
      got = ::read(in, buffer.data(), want);
      if (got < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus(errno, "read", source);
      }
      if (got > 0) {
        if (hash != nullptr) hash->Add(buffer.data(), static_cast<std::size_t>(got));
        Status status = WriteAll(
            out, std::string_view(buffer.data(), static_cast<std::size_t>(got)), temporary);
        if (!status.ok()) return status;
      }
    }
    if (got == 0) {
      *shrank = true;
      return Status::Ok();
    }
    done += static_cast<std::uint64_t>(got);
    parts.Took(static_cast<std::size_t>(got), std::chrono::steady_clock::now() - started);
    if (!keep_going()) {
      return Status::Error(kUserInterrupt, "copy(" + source + "): abandoned");
    }
  }
  return Status::Ok();
}

// Sets the copy's times and looks at what the file system kept: a modification time later
// than the one set and the source's would make every later edit of the source look older
// than the copy, and the file would never be backed up again. A refusal is recorded instead.
// `*kept` gets what the file holds afterwards, when it was looked at.
Status KeepTimes(int fd, const timespec& source_mtime, const timespec times[2],
                 const std::string& path, DestinationRefusals* refusals,
                 struct stat* kept = nullptr) {
  struct stat own;
  if (kept == nullptr) kept = &own;
  kept->st_ino = 0;
  if (::futimens(fd, times) != 0) {
    if (!IsRefusal(errno)) return ErrnoStatus(errno, "utimens", path);
    refusals->times = true;
    return Status::Ok();
  }
  if (::fstat(fd, kept) != 0) return ErrnoStatus(errno, "stat", path);
  if (StoredTimeHidesChanges(FileInstant{source_mtime.tv_sec, source_mtime.tv_nsec},
                             FileInstant{times[1].tv_sec, times[1].tv_nsec},
                             FileInstant{kept->st_mtim.tv_sec, kept->st_mtim.tv_nsec})) {
    return Status::Error(kDeviceIoError, "utimens(" + path + "): the destination kept " +
                                             LocalText(kept->st_mtim) + " as the time " +
                                             LocalText(times[1]) +
                                             "; later changes of the source would look older "
                                             "than this copy");
  }
  return Status::Ok();
}

// Gives the copy its source's permission bits, times and (as root) owner; what the file
// system refuses is recorded, not failed. The owner comes last and only when the new file
// does not have it already: a change of owner leaves the times alone, and a copy made by
// the source's own owner (the common case) spares the call.
Status KeepAttributes(int fd, const struct stat& source, const timespec times[2],
                      const std::string& temporary, const std::string& destination,
                      DestinationRefusals* refusals) {
  if (::fchmod(fd, source.st_mode & 0777) != 0) {
    if (!IsRefusal(errno)) return ErrnoStatus(errno, "chmod", temporary);
    refusals->permissions = true;
  }
  // Named by the copy's final name: the temporary one means nothing to the user.
  struct stat kept;
  Status status = KeepTimes(fd, source.st_mtim, times, destination, refusals, &kept);
  if (!status.ok() || !RunningAsRoot()) return status;
  if (kept.st_ino != 0 && kept.st_uid == source.st_uid && kept.st_gid == source.st_gid) {
    return status;
  }
  if (::fchown(fd, source.st_uid, source.st_gid) != 0) {
    if (!IsRefusal(errno)) return ErrnoStatus(errno, "chown", temporary);
    refusals->owners = true;
  }
  return status;
}

// Fills `out` with the source opened as `in` (as `before` described it when opened) and gives
// it the source's attributes; the source must not have changed meanwhile.
Status Fill(int in, const struct stat& before, int out, const std::string& source,
            const std::string& temporary, const CopyTarget& target, KeepGoing keep_going,
            bool* changed) {
  bool shrank = false;
  if (target.hash != nullptr) target.hash->Reset();
  if (target.snapshot != nullptr) {
    // Read whole and unchanged ahead of time: one state of the file, as a copy made then.
    const std::string& data = target.snapshot->data;
    if (target.hash != nullptr) target.hash->Add(data.data(), data.size());
    Status status = WriteAll(out, data, temporary);
    if (!status.ok()) return status;
    const timespec times[2] = {before.st_atim, CopyTimeOf(before.st_mtim, target.traits)};
    return KeepAttributes(out, before, times, temporary, target.folder + "/" + target.name,
                          target.refusals);
  }
  Status status = CopyBytes(in, out, static_cast<std::uint64_t>(before.st_size), keep_going, source,
                            temporary, target.hash, &shrank);
  if (!status.ok()) return status;
  struct stat after;
  if (::fstat(in, &after) != 0) return ErrnoStatus(errno, "stat", source);
  if (shrank || Changed(before, after)) {
    *changed = true;
    return Status::Error(kPathFileAccessError,
                         "copy(" + source + "): the file changed while it was copied");
  }
  const timespec times[2] = {before.st_atim, CopyTimeOf(before.st_mtim, target.traits)};
  return KeepAttributes(out, before, times, temporary, target.folder + "/" + target.name,
                        target.refusals);
}

#if defined(__linux__) && defined(O_TMPFILE)
// Gives the unnamed file `fd` the name `name` in `folder_fd`. Only a process that may read any
// folder can link a descriptor itself; others go through its /proc name.
int LinkUnnamed(int fd, int folder_fd, const std::string& name) {
  if (RunningAsRoot() && ::linkat(fd, "", folder_fd, name.c_str(), AT_EMPTY_PATH) == 0) {
    return 0;
  }
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, proc.c_str(), folder_fd, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                           : errno;
}

// Whether unnamed files can be linked at all: /proc may be missing in a container.
bool UnnamedFilesLinkable() {
  static const bool linkable = RunningAsRoot() || ::access("/proc/self/fd", X_OK) == 0;
  return linkable;
}

// The copy as an unnamed file that gets its name only when complete; an earlier file of that
// name is replaced through a temporary name, locked while it exists.
Status CopyUnnamed(int in, const struct stat& before, UniqueFd out, const std::string& source,
                   const CopyTarget& target, KeepGoing keep_going, bool* changed) {
  const std::string destination = target.folder + "/" + target.name;
  Status status = Fill(in, before, out.get(), source, destination, target, keep_going, changed);
  if (!status.ok()) return status;
  int err = LinkUnnamed(out.get(), target.folder_fd, target.name);
  if (err == 0) return Status::Ok();
  if (err != EEXIST) return ErrnoStatus(err, "link", destination);
  LockWhole(out.get());
  std::string temporary;
  do {
    temporary = NewTemporaryName();
    err = LinkUnnamed(out.get(), target.folder_fd, temporary);
  } while (err == EEXIST);
  if (err != 0) return ErrnoStatus(err, "link", target.folder + "/" + temporary);
  if (::renameat(target.folder_fd, temporary.c_str(), target.folder_fd, target.name.c_str()) != 0) {
    err = errno;
    ::unlinkat(target.folder_fd, temporary.c_str(), 0);
    return ErrnoStatus(err, "rename", destination);
  }
  return Status::Ok();
}
#endif

}  // namespace

bool RunningAsRoot() {
  static const bool root = ::geteuid() == 0;
  return root;
}

bool IsRefusal(int err) {
  return err == EPERM || err == ENOSYS || err == EOPNOTSUPP || err == EINVAL;
}

timespec CopyTimeOf(const timespec& source, const DestinationTraits& traits) {
  const FileInstant time = CopyTime(FileInstant{source.tv_sec, source.tv_nsec}, traits);
  return timespec{static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)};
}

TemporaryFile::~TemporaryFile() {
  if (!name_.empty()) ::unlinkat(folder_fd_, name_.c_str(), 0);
}

Status TemporaryFile::Create(const std::string& folder) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = NewTemporaryName();
    int fd = ::openat(folder_fd_, name.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return ErrnoStatus(errno, "create", folder + "/" + name);
    }
    fd_ = UniqueFd(fd);
    name_ = std::move(name);
    // Another run's clean-up may have taken the file between its creation and the lock: it
    // removes it, and this run takes another name. File systems without locks (a few FUSE
    // ones) go unlocked; there nobody else can lock the file either, so nobody removes it.
    if (LockWhole(fd) == EAGAIN) {
      name_.clear();
      fd_ = UniqueFd();
      continue;
    }
    return Status::Ok();
  }
  return ErrnoStatus(EEXIST, "create", folder + "/" + std::string(kTemporaryPrefix) + "*");
}

bool IsTemporaryName(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return false;
  std::string_view middle = name.substr(
      kTemporaryPrefix.size(), name.size() - kTemporaryPrefix.size() - kTemporarySuffix.size());
  // "<pid>-<n>", or with a ":" or an "é" where a run probed which names the folder holds.
  if (middle.ends_with(":")) middle.remove_suffix(1);
  if (middle.ends_with("\xC3\xA9")) middle.remove_suffix(2);
  return !middle.empty() && middle.find_first_not_of("0123456789-") == std::string_view::npos;
}

void RemoveStaleTemporaryFiles(int folder_fd) {
  DirectoryReader dir;
  if (dir.Open(".", folder_fd) != 0) return;
  const char* name;
  unsigned char type;
  while (dir.Next(&name, &type)) {
    if (name[0] != '.' || !IsTemporaryName(name)) continue;
    UniqueFd fd(
        ::openat(folder_fd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat opened;
    if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) continue;
    // A live run holds its lock until its file has its final name.
    if (LockWhole(fd.get()) != 0) continue;
    struct stat named;
    if (::fstatat(folder_fd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == opened.st_ino && named.st_dev == opened.st_dev) {
      ::unlinkat(folder_fd, name, 0);
    }
  }
}

Status CopyOnce(const std::string& source, const CopyTarget& target, KeepGoing keep_going,
                bool* changed) {
  *changed = false;
  IgnoreFileSizeSignal();
  UniqueFd in;
  struct stat before = {};
  if (target.snapshot != nullptr) {
    const SourceSnapshot& snapshot = *target.snapshot;
    before.st_mode = snapshot.mode;
    before.st_uid = snapshot.owner;
    before.st_gid = snapshot.group;
    before.st_size = static_cast<off_t>(snapshot.data.size());
    before.st_atim = timespec{static_cast<time_t>(snapshot.accessed.seconds),
                              static_cast<long>(snapshot.accessed.nanoseconds)};
    before.st_mtim = timespec{static_cast<time_t>(snapshot.modified.seconds),
                              static_cast<long>(snapshot.modified.nanoseconds)};
  } else {
    // O_NONBLOCK keeps a FIFO that took the file's place from blocking the open forever; it
    // has no effect on regular files.
    in = UniqueFd(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0) return ErrnoStatus(errno, "open", source);
    if (::fstat(in.get(), &before) != 0) return ErrnoStatus(errno, "stat", source);
  }
  if (!S_ISREG(before.st_mode)) {
    return Status::Error(kFileNotFound, "copy(" + source + "): not a regular file");
  }
  const auto size = static_cast<std::uint64_t>(before.st_size);
  if (size > target.traits.max_file_size) {
    return Status::Error(kDiskFull, "copy(" + source + "): " + Grouped(size) +
                                        " bytes is more than the destination holds in one file (" +
                                        Grouped(target.traits.max_file_size) + " bytes)");
  }

#if defined(__linux__) && defined(O_TMPFILE)
  if (target.traits.unnamed_files && UnnamedFilesLinkable()) {
    UniqueFd out(::openat(target.folder_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (out.get() >= 0) {
      return CopyUnnamed(in.get(), before, std::move(out), source, target, keep_going, changed);
    }
    // A kernel or file system without them: the named way below.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return ErrnoStatus(errno, "create", target.folder + "/" + target.name);
    }
  }
#endif
  TemporaryFile temporary(target.folder_fd);
  Status status = temporary.Create(target.folder);
  if (!status.ok()) return status;
  const std::string temporary_path = target.folder + "/" + temporary.name();
  status =
      Fill(in.get(), before, temporary.fd(), source, temporary_path, target, keep_going, changed);
  if (!status.ok()) return status;
  const timespec times[2] = {before.st_atim, CopyTimeOf(before.st_mtim, target.traits)};
  // Closing reports late write errors on some file systems (NFS, FUSE), so it comes before
  // the rename; a second descriptor of the same open file keeps the lock until the file has
  // its final name.
  UniqueFd lock_keeper(::fcntl(temporary.fd(), F_DUPFD_CLOEXEC, 0));
  if (lock_keeper.get() < 0) return ErrnoStatus(errno, "dup", temporary_path);
  if (temporary.Close() != 0) return ErrnoStatus(errno, "close", temporary_path);
  const std::string destination = target.folder + "/" + target.name;
  if (::renameat(target.folder_fd, temporary.name().c_str(), target.folder_fd,
                 target.name.c_str()) != 0) {
    if (errno == ENOENT) {
      *changed = true;  // another run removed the file before it was locked
      return Status::Error(kPathFileAccessError,
                           "rename(" + temporary_path + "): the temporary file was removed");
    }
    return ErrnoStatus(errno, "rename", destination);
  }
  temporary.Keep();
  if (!target.traits.rename_resets_time) return Status::Ok();
  status = KeepTimes(lock_keeper.get(), before.st_mtim, times, destination, target.refusals);
  if (status.code() == kDeviceIoError) {
    // A copy that hides later changes is worse than none: without it the next run copies the
    // file again. Only this run's own file goes, never one that took its name meanwhile.
    struct stat ours, named;
    if (::fstat(lock_keeper.get(), &ours) == 0 &&
        ::fstatat(target.folder_fd, target.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        ours.st_ino == named.st_ino && ours.st_dev == named.st_dev) {
      ::unlinkat(target.folder_fd, target.name.c_str(), 0);
    }
  }
  return status;
}

}  // namespace platform::posix

namespace platform {

bool SnapshotsTaken() { return true; }

std::unique_ptr<SourceSnapshot> TakeSnapshot(const std::string& path, std::size_t limit) {
  posix::UniqueFd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat before, after;
  if (in.get() < 0 || ::fstat(in.get(), &before) != 0 || !S_ISREG(before.st_mode) ||
      before.st_size < 0 || static_cast<std::uint64_t>(before.st_size) > limit) {
    return nullptr;
  }
  auto snapshot = std::make_unique<SourceSnapshot>();
  snapshot->data.resize(static_cast<std::size_t>(before.st_size));
  std::size_t done = 0;
  while (done < snapshot->data.size()) {
    const ssize_t got =
        ::read(in.get(), snapshot->data.data() + done, snapshot->data.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return nullptr;
    done += static_cast<std::size_t>(got);
  }
  if (::fstat(in.get(), &after) != 0 || posix::Changed(before, after)) return nullptr;
  snapshot->mode = before.st_mode;
  snapshot->owner = before.st_uid;
  snapshot->group = before.st_gid;
  snapshot->accessed = FileInstant{before.st_atim.tv_sec, before.st_atim.tv_nsec};
  snapshot->modified = FileInstant{before.st_mtim.tv_sec, before.st_mtim.tv_nsec};
  return snapshot;
}

}  // namespace platform
