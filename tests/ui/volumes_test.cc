// The drive selector's volumes: the mount table as the kernel writes it, and the choice of
// the volumes a user browses.
#include "platform/volumes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> MountPoints(const std::vector<platform::Volume>& volumes) {
  std::vector<std::string> points;
  for (const platform::Volume& volume : volumes) points.push_back(volume.mount_point);
  return points;
}

TEST(ParseMountTableTest, ReadsFieldsAndUndoesOctalEscapes) {
  const std::vector<platform::Volume> volumes = platform::ParseMountTable(
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n"
      "server:/x\\134y /mnt/back\\134slash nfs4 rw 0 0\n"
      "\n"
      "garbage-without-fields\n"
      "none relative-mount tmpfs rw 0 0\n"
      "/dev/sdc1\t/media/tab\\011name\text4 rw 0 0");
  ASSERT_EQ(volumes.size(), 4u);
  EXPECT_EQ(volumes[0].source + " " + volumes[0].type, "/dev/sda1 ext4");
  EXPECT_EQ(MountPoints(volumes),
            (std::vector<std::string>{"/", "/media/u/USB STICK", "/mnt/back\\slash",
                                      "/media/tab\tname"}));
  EXPECT_EQ(volumes[2].source, "server:/x\\y");
}

TEST(UserVolumesTest, LeavesOutServiceMountsAndKeepsTheLastOfEachFolder) {
  const std::vector<platform::Volume> volumes = platform::UserVolumes(
      platform::ParseMountTable("proc /proc proc rw 0 0\n"
                                "sysfs /sys sysfs rw 0 0\n"
                                "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                                "devpts /dev/pts devpts rw 0 0\n"
                                "tmpfs /dev/shm tmpfs rw 0 0\n"
                                "tmpfs /run tmpfs rw 0 0\n"
                                "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                                "gvfsd-fuse /home/u/.gvfs fuse.gvfsd-fuse rw 0 0\n"
                                "/dev/loop3 /snap/core/123 squashfs ro 0 0\n"
                                "/dev/sda2 /home ext4 rw 0 0\n"
                                "tmpfs /tmp tmpfs rw 0 0\n"
                                "/dev/sdb1 /run/media/u/CARD vfat rw 0 0\n"
                                "/dev/sr0 /media/u/CDROM iso9660 ro 0 0\n"
                                "/dev/sda3 /etc/hosts ext4 rw 0 0\n"
                                "/dev/sdc1 /mnt/x ext4 rw 0 0\n"
                                "/dev/sdd1 /mnt/x vfat rw 0 0\n"
                                "/dev/sde1 /mnt/y ext4 rw 0 0\n"
                                "proc /mnt/y proc rw 0 0\n"),
      [](const std::string& path) { return path != "/etc/hosts"; });
  // The root is there even when the table lacks it, and sorts first.
  EXPECT_EQ(MountPoints(volumes),
            (std::vector<std::string>{"/", "/home", "/media/u/CDROM", "/mnt/x", "/run/media/u/CARD",
                                      "/tmp"}));
  EXPECT_EQ(volumes[3].source, "/dev/sdd1");
}

TEST(VolumeOfTest, LongestWholeComponentPrefix) {
  const std::vector<platform::Volume> volumes = {
      {"/", "", ""}, {"/home", "", ""}, {"/home/u/usb", "", ""}};
  EXPECT_EQ(platform::VolumeOf(volumes, "/etc"), 0);
  EXPECT_EQ(platform::VolumeOf(volumes, "/home"), 1);
  EXPECT_EQ(platform::VolumeOf(volumes, "/homework"), 0);
  EXPECT_EQ(platform::VolumeOf(volumes, "/home/u/usb/photos"), 2);
  EXPECT_EQ(platform::VolumeOf({}, "/home"), -1);
}

TEST(MountedVolumesTest, AlwaysHoldsTheRootAndNoServiceMount) {
  const std::vector<platform::Volume> volumes = platform::MountedVolumes();
  ASSERT_FALSE(volumes.empty());
  EXPECT_EQ(volumes.front().mount_point, "/");
  for (const platform::Volume& volume : volumes) {
    EXPECT_NE(volume.type, "proc");
    EXPECT_FALSE(volume.mount_point.starts_with("/sys")) << volume.mount_point;
  }
}

}  // namespace
