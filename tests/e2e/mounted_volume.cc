#include "tests/e2e/mounted_volume.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/run_program.h"

namespace testing_support {
namespace {

struct Recipe {
  const char* name;
  const char* mkfs;         // the tool that makes the file system ("" for tmpfs)
  std::uintmax_t size_mib;  // of the image: the smallest each tool accepts, give or take
  std::vector<std::string> mkfs_options;
};

const Recipe& RecipeOf(VolumeKind kind) {
  static const Recipe recipes[] = {
      {"tmpfs", "", 64, {}},
      {"ext4", "mkfs.ext4", 64, {"-q", "-F"}},
      {"xfs", "mkfs.xfs", 300, {"-q", "-f"}},
      {"btrfs", "mkfs.btrfs", 128, {"-q", "-f"}},
      {"FAT32", "mkfs.vfat", 48, {"-F", "32"}},
      {"exFAT", "mkfs.exfat", 64, {}},
      {"NTFS", "mkfs.ntfs", 64, {"-F", "-Q"}},
  };
  return recipes[static_cast<int>(kind)];
}

bool HasProgram(const std::string& name) {
  for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
    if (::access((folder + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Runs a command; on failure fills `error` with it and its output.
bool Command(std::vector<std::string> arguments, std::string* error, std::string* out = nullptr) {
  const std::string shown = arguments[0];
  // The tools live in the system's folders, whatever the test's own PATH says.
  arguments.insert(arguments.begin(), {"/usr/bin/env", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"});
  ProgramResult result = RunProgram(arguments);
  if (out) *out = result.out;
  if (result.exit_status == 0) return true;
  *error =
      shown + " failed (" + std::to_string(result.exit_status) + "): " + result.err + result.out;
  return false;
}

bool IsMountPoint(const std::string& path) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mount_point;
    fields >> id >> parent >> device >> root >> mount_point;
    if (mount_point == path) return true;
  }
  return false;
}

}  // namespace

const char* VolumeName(VolumeKind kind) { return RecipeOf(kind).name; }

MountedVolume::MountedVolume(VolumeKind kind)
    : kind_(kind), image_(dir_ / "image"), mount_point_(dir_ / "mnt") {
  if (::geteuid() != 0) {
    error_ = "mounting a file system needs root";
    return;
  }
  MakeFolders(mount_point_);
  if (Make()) Mount();
}

MountedVolume::~MountedVolume() {
  Unmount();
  std::string ignored;
  if (!loop_device_.empty()) Command({"losetup", "-d", loop_device_}, &ignored);
}

bool MountedVolume::Make() {
  const Recipe& recipe = RecipeOf(kind_);
  if (kind_ == VolumeKind::kTmpfs) return true;
  const bool fuse =
      kind_ == VolumeKind::kFat32 || kind_ == VolumeKind::kExfat || kind_ == VolumeKind::kNtfs;
  if (fuse && !std::filesystem::exists("/dev/fuse")) {
    error_ = "no /dev/fuse on this machine (FUSE is needed for " + std::string(recipe.name) + ")";
    return false;
  }
  const char* mounter = kind_ == VolumeKind::kFat32   ? "fusefat"
                        : kind_ == VolumeKind::kExfat ? "mount.exfat-fuse"
                        : kind_ == VolumeKind::kNtfs  ? "ntfs-3g"
                                                      : "mount";
  for (const std::string& tool : {std::string(recipe.mkfs), std::string(mounter)}) {
    if (!HasProgram(tool)) {
      error_ = tool + " is not installed (scripts/setup installs it)";
      return false;
    }
  }
  if (kind_ != VolumeKind::kFat32 && !std::filesystem::exists("/dev/loop-control")) {
    error_ = "no loop devices on this machine";
    return false;
  }
  { std::ofstream(image_).flush(); }
  std::filesystem::resize_file(image_, recipe.size_mib << 20);
  std::vector<std::string> mkfs = {recipe.mkfs};
  mkfs.insert(mkfs.end(), recipe.mkfs_options.begin(), recipe.mkfs_options.end());
  mkfs.push_back(image_);
  return Command(mkfs, &error_);
}

bool MountedVolume::Mount() {
  switch (kind_) {
    case VolumeKind::kTmpfs:
      mounted_ =
          Command({"mount", "-t", "tmpfs", "-o", "size=64m", "tmpfs", mount_point_}, &error_);
      break;
    case VolumeKind::kExt4:
    case VolumeKind::kXfs:
    case VolumeKind::kBtrfs:
      // A loop device of mount's own, released when unmounted.
      mounted_ = Command({"mount", "-o", "loop", image_, mount_point_}, &error_);
      break;
    case VolumeKind::kFat32: {
      // In the foreground, so that unmounting can wait until it has written everything.
      daemon_ = ::fork();
      if (daemon_ == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        // fusefat writes times as UTC fields but reads them back as local time: only in UTC
        // does it keep the time it was given.
        ::setenv("TZ", "UTC0", 1);
        ::execlp("fusefat", "fusefat", "-f", "-o", "rw+", image_.c_str(), mount_point_.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
      }
      // Waits for the mount to appear, or the daemon to give up.
      for (int i = 0; i < 2000 && !mounted_; ++i) {
        mounted_ = IsMountPoint(mount_point_);
        int status;
        if (!mounted_ && ::waitpid(daemon_, &status, WNOHANG) == daemon_) {
          daemon_ = -1;
          break;
        }
        if (!mounted_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      if (!mounted_) error_ = "fusefat did not mount " + image_;
      break;
    }
    case VolumeKind::kExfat:
    case VolumeKind::kNtfs: {
      // As fuseblk on a block device, the kernel waits at unmount until the daemon is done.
      if (loop_device_.empty()) {
        std::string out;
        if (!Command({"losetup", "-f", "--show", image_}, &error_, &out)) return false;
        loop_device_ = out.substr(0, out.find('\n'));
      }
      mounted_ = Command({kind_ == VolumeKind::kExfat ? "mount.exfat-fuse" : "ntfs-3g",
                          loop_device_, mount_point_},
                         &error_);
      break;
    }
  }
  return mounted_;
}

void MountedVolume::Unmount() {
  std::string ignored;
  if (mounted_) {
    const std::vector<std::string> unmount =
        kind_ == VolumeKind::kFat32 ? std::vector<std::string>{"fusermount", "-u", mount_point_}
                                    : std::vector<std::string>{"umount", mount_point_};
    // A program of a failed test may still be in there: then the mount goes when it does.
    if (!Command(unmount, &ignored)) Command({"umount", "-l", mount_point_}, &ignored);
    mounted_ = false;
  }
  if (daemon_ > 0) {
    int status;
    ::waitpid(daemon_, &status, 0);
    daemon_ = -1;
  }
}

bool MountedVolume::Remount() {
  if (kind_ == VolumeKind::kTmpfs) return true;
  Unmount();
  return Mount();
}

}  // namespace testing_support
