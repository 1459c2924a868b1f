#include "platform/posix/destination_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#if defined(__linux__)
#include <linux/magic.h>
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <string>

#include "platform/posix/file_copy.h"

namespace platform::posix {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
// An odd second with a fraction, within the range of every file system's times.
constexpr timespec kProbeTime = {1'000'000'001, 500'000'001};
constexpr std::uint64_t kFatMaxFileSize = 0xFFFFFFFFull;

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::int64_t StepOf(const timespec& kept) {
  if (kept.tv_sec == kProbeTime.tv_sec && kept.tv_nsec == kProbeTime.tv_nsec) return 1;
  if (kept.tv_nsec != 0) return 1;  // it keeps fractions, if coarser ones (NTFS: 100 ns)
  return kept.tv_sec % 2 == 0 ? 2 * kSecond : kSecond;
}

// Whether a file named `name` can be made in the folder; it is removed again.
bool CanCreate(int folder_fd, const std::string& name) {
  int fd = ::openat(folder_fd, name.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
  if (fd < 0) return errno == EEXIST;
  ::close(fd);
  ::unlinkat(folder_fd, name.c_str(), 0);
  return true;
}

// Whether the file `fd` keeps the modification time `time` as given.
bool KeepsTime(int fd, const timespec& time) {
  const timespec times[2] = {time, time};
  struct stat st;
  return ::futimens(fd, times) != 0 || ::fstat(fd, &st) != 0 ||
         (st.st_mtim.tv_sec == time.tv_sec && st.st_mtim.tv_nsec == time.tv_nsec);
}

}  // namespace

DestinationTraits ProbeTraits(int folder_fd) {
  DestinationTraits traits;
  TemporaryFile probe(folder_fd);
  if (!probe.Create("").ok()) return traits;
  // Names like the probe's with a ':', or an "é", before the end.
  std::string colon_name = probe.name();
  colon_name.insert(colon_name.size() - 4, ":");
  std::string accented_name = probe.name();
  accented_name.insert(accented_name.size() - 4, "\xC3\xA9");

  struct stat st;
  traits.case_insensitive =
      ::fstatat(folder_fd, AsciiUpper(probe.name()).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;

  const timespec times[2] = {kProbeTime, kProbeTime};
  if (::futimens(probe.fd(), times) == 0 && ::fstat(probe.fd(), &st) == 0) {
    traits.time_step_ns = StepOf(st.st_mtim);
  }

  traits.windows_names = !CanCreate(folder_fd, colon_name);
  // Where the Windows rules hold, some take ASCII names only.
  traits.ascii_names = traits.windows_names && !CanCreate(folder_fd, accented_name);

  if (traits.time_step_ns == 2 * kSecond) {
    traits.max_file_size = kFatMaxFileSize;
    // fusefat stamps a renamed file with the current time, and its answers right after the
    // rename do not show it; only the file system found again after a remount does.
    traits.rename_resets_time = true;
  }
  // FAT and exFAT count years from 1980 in seven bits. Their FUSE drivers store a time
  // outside as it wraps (fusefat keeps 1970 as 2098; exfat-fuse, whole seconds with Windows
  // names, answers with the time given all the same); the kernel's drivers move it into the
  // range, which a copy's check would take for a medium that moved its time.
  if (traits.time_step_ns == 2 * kSecond ||
      (traits.windows_names && traits.time_step_ns == kSecond) ||
      (traits.windows_names && !KeepsTime(probe.fd(), timespec{0, 0}))) {
    LimitToFatTimes(&traits);
  }
#if defined(__linux__) && defined(O_TMPFILE)
  // Only where the kernel's own driver answers: network and FUSE file systems may take
  // O_TMPFILE and report a failed write only when the file is closed, after it got its name.
  struct statfs fs;
  if (::fstatfs(folder_fd, &fs) == 0) {
    switch (static_cast<unsigned long>(fs.f_type)) {
      case EXT4_SUPER_MAGIC:
      case XFS_SUPER_MAGIC:
      case BTRFS_SUPER_MAGIC:
      case TMPFS_MAGIC:
        traits.unnamed_files = true;
        break;
      default:
        break;
    }
  }
#endif
  return traits;
}

}  // namespace platform::posix
