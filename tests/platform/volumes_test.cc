// The drive selector's volumes: the mount table as the kernel writes it, and the choice of
// the volumes a user browses.
#include "platform/volumes.h"

#include <gtest/gtest.h>

namespace {

using Points = std::vector<std::string>;

Points MountPoints(const std::vector<platform::Volume>& volumes) {
  Points points;
  for (const platform::Volume& volume : volumes) points.push_back(volume.mount_point);
  return points;
}

TEST(VolumesTest, ParsesTheMountTableAndUndoesOctalEscapes) {
  const std::vector<platform::Volume> volumes = platform::ParseMountTable(
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "server:/x\\134y /media/u/USB\\040STICK nfs4 rw 0 0\n"
      "\n"
      "garbage-without-fields\n"
      "none relative-mount tmpfs rw 0 0\n"
      "/dev/sdc1\t/media/tab\\011name\text4 rw 0 0");
  ASSERT_EQ(MountPoints(volumes), (Points{"/", "/media/u/USB STICK", "/media/tab\tname"}));
  EXPECT_EQ(volumes[0].source + " " + volumes[0].type, "/dev/sda1 ext4");
  EXPECT_EQ(volumes[1].source, "server:/x\\y");
}

TEST(VolumesTest, LeavesOutServiceMountsAndKeepsTheLastOfEachFolder) {
  const std::vector<platform::Volume> volumes = platform::UserVolumes(
      platform::ParseMountTable("proc /proc proc rw 0 0\n"
                                "tmpfs /dev/shm tmpfs rw 0 0\n"
                                "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                                "gvfsd-fuse /home/u/.gvfs fuse.gvfsd-fuse rw 0 0\n"
                                "/dev/loop3 /snap/core/123 squashfs ro 0 0\n"
                                "/dev/sda2 /home ext4 rw 0 0\n"
                                "tmpfs /tmp tmpfs rw 0 0\n"
                                "/dev/sdb1 /run/media/u/CARD vfat rw 0 0\n"
                                "/dev/sda3 /etc/hosts ext4 rw 0 0\n"
                                "/dev/sdc1 /mnt/x ext4 rw 0 0\n"
                                "/dev/sdd1 /mnt/x vfat rw 0 0\n"
                                "/dev/sde1 /mnt/y ext4 rw 0 0\n"
                                "proc /mnt/y proc rw 0 0\n"),
      [](const std::string& path) { return path != "/etc/hosts"; });
  // The root is there even when the table lacks it, and sorts first.
  EXPECT_EQ(MountPoints(volumes), (Points{"/", "/home", "/mnt/x", "/run/media/u/CARD", "/tmp"}));
  EXPECT_EQ(volumes[2].source, "/dev/sdd1");

  const std::vector<platform::Volume> real = platform::MountedVolumes();
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(real.front().mount_point, "/");
  for (const platform::Volume& volume : real) EXPECT_NE(volume.type, "proc");
}

TEST(VolumesTest, VolumeOfIsTheLongestWholeComponentPrefix) {
  const std::vector<platform::Volume> volumes = {
      {"/", "", ""}, {"/home", "", ""}, {"/home/u", "", ""}};
  EXPECT_EQ(platform::VolumeOf(volumes, "/etc"), 0);
  EXPECT_EQ(platform::VolumeOf(volumes, "/home"), 1);
  EXPECT_EQ(platform::VolumeOf(volumes, "/homework"), 0);
  EXPECT_EQ(platform::VolumeOf(volumes, "/home/u/photos"), 2);
  EXPECT_EQ(platform::VolumeOf({}, "/home"), -1);
}

TEST(VolumesTest, TheFirstFolderBelowAMediaFolderIsAMediumsMountPoint) {
  // "alice" has an account; "backup" is a medium's name.
  auto is_user = [](std::string_view name) { return name == "alice"; };
  const std::pair<const char*, const char*> rows[] = {
      {"/media/backup", "/media/backup"},
      {"/media/backup/daily/x", "/media/backup"},
      {"/media//backup/./daily", "/media/backup"},
      {"/media/alice/USB STICK/backup", "/media/alice/USB STICK"},
      {"/media/alice/USB", "/media/alice/USB"},
      {"/media/alice", ""},  // the user's folder of mount points
      {"/media", ""},
      {"/run/media/alice/USB/b", "/run/media/alice/USB"},
      {"/run/media/bob/disk", "/run/media/bob/disk"},
      {"/run/media/bob", ""},
      {"/run/user/1000/x", ""},
      {"/mnt/usb/backup", "/mnt/usb"},
      {"/mnt", ""},
      {"/home/alice/backup", ""},
      {"/mediaX/usb", ""},
      {"/", ""},
      {"media/usb", ""},  // only absolute paths name a medium
  };
  for (const auto& [path, mount_point] : rows) {
    EXPECT_EQ(platform::MediumMountPoint(path, is_user), mount_point) << path;
  }
}

}  // namespace
