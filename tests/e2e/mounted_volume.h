#pragma once

#include <sys/types.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace testing_support {

// The file systems that users back up to, as the tests mount them: natively where the
// kernel has the file system, through FUSE where it has not (FAT32 through fusefat, exFAT
// through exfat-fuse and NTFS through ntfs-3g, the last two on a loop device).
enum class VolumeKind { kTmpfs, kExt4, kXfs, kBtrfs, kFat32, kExfat, kNtfs };

const char* VolumeName(VolumeKind kind);

// A fresh, empty file system of one kind, made in an image file and mounted on a folder of
// its own for as long as the object lives. Mounting needs root and the file system's tools;
// when it cannot be done, error() says why and the test skips. The destructor unmounts it,
// detaches its loop device and removes the image, also when the test failed.
class MountedVolume {
 public:
  explicit MountedVolume(VolumeKind kind);
  ~MountedVolume();
  MountedVolume(const MountedVolume&) = delete;
  MountedVolume& operator=(const MountedVolume&) = delete;

  VolumeKind kind() const { return kind_; }
  // The mount point, without a trailing separator.
  const std::string& path() const { return mount_point_; }
  // Why the volume is not mounted; "" when it is.
  const std::string& error() const { return error_; }

  // Unmounts and mounts again, so that what is read afterwards is what the file system kept,
  // not what its calls answered (a FUSE daemon may hold times and names in memory). tmpfs,
  // which keeps nothing beyond its mount, is left mounted. Returns false and sets error().
  bool Remount();

 private:
  bool Make();
  bool Mount();
  void Unmount();

  VolumeKind kind_;
  TempDir dir_;
  std::string image_;
  std::string mount_point_;
  std::string loop_device_;  // exFAT and NTFS
  pid_t daemon_ = -1;        // fusefat, kept in the foreground so that unmounting can wait
  bool mounted_ = false;
  std::string error_;
};

}  // namespace testing_support
