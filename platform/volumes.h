#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace platform {

// One place where a user may look for folders: a drive on Windows, a mounted file system
// on POSIX.
struct Volume {
  // The folder at the top of the volume, with its trailing separator only when it is a
  // root by itself: "/" or "/media/u/USB STICK" on POSIX, "C:\" on Windows.
  std::string mount_point;
  // What is mounted there, for display: a device ("/dev/sda1"), a remote share, or the
  // file system's own name when it has no device; "" when unknown.
  std::string source;
  // The file system type ("ext4", "vfat", ...); "" when unknown.
  std::string type;
};

// The volumes a user would pick a folder on, sorted by mount point. On Windows, every drive
// letter in use. On POSIX, kernel and service file systems (proc, sysfs, cgroup, devpts,
// the tmpfs mounts below /run and /dev, ...) and mounts of single files are left out; the
// root "/" is always present, so the list is never empty. Never fails: an unreadable mount
// table gives just the root.
std::vector<Volume> MountedVolumes();

// The parts of the POSIX MountedVolumes that need no system call, for tests (POSIX only).
// Parses a mount table in the format of /proc/self/mounts ("source mount-point type
// options dump pass", with spaces, tabs, newlines and backslashes written as octal escapes).
// Malformed lines are skipped.
std::vector<Volume> ParseMountTable(std::string_view table);
// Keeps the volumes a user browses (see MountedVolumes); `is_folder` tells whether a mount
// point is a folder. When a mount point occurs more than once, the last mount wins, as it
// hides the earlier ones.
std::vector<Volume> UserVolumes(const std::vector<Volume>& mounted,
                                const std::function<bool(const std::string&)>& is_folder);

// The Linux form of a drive letter (POSIX only, no system call): below the folders where
// removable media are mounted (/media/USER/NAME, /media/NAME, /run/media/USER/NAME,
// /mnt/NAME) the first folder is a medium's mount point. Returns the mount point that the
// absolute `path` lies at or below, or "" when it lies below none (the media folders
// themselves, /media/USER, paths elsewhere). `is_user_folder(NAME)` tells whether /media/NAME
// is a user's folder of mount points rather than a medium.
std::string MediumMountPoint(std::string_view path,
                             const std::function<bool(std::string_view)>& is_user_folder);

// Whether a destination folder at `path` may be created and written: fails (kPathNotFound,
// the message ending in "is the medium mounted?") when it lies at or below the mount point of
// a medium (see MediumMountPoint; after the links of the part that exists are resolved) where
// nothing is mounted, as a path on a drive that is not there fails on Windows; otherwise Ok.
// Nothing is created: below an empty mount point, folders would fill the system's disk. On
// Windows always Ok, the drive letter doing the same.
Status CheckMediumMounted(const std::string& path);

// The index in `volumes` of the volume holding `path` (the longest mount point that is a
// whole-component prefix of it), or -1 when none holds it.
int VolumeOf(const std::vector<Volume>& volumes, std::string_view path);

}  // namespace platform
