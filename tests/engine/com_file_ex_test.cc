#include "engine/com_file_ex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "engine/common.h"
#include "engine/public_function.h"
#include "platform/file_lock.h"
#include "tests/support/private_media.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace engine {
namespace {

using testing_support::Exists;
using testing_support::FilesBelow;
using testing_support::Mtime;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kNoon2000 = 961988707;  // 2000-06-26 03:05:07 UTC, 12:05:07 in JST

std::vector<std::string> Listed(const std::string& folder) {
  std::vector<std::string> records;
  long count = 0;
  EXPECT_EQ(ListFiles(folder, "*.*", count, records, 0, true, "yyyy"), 0);
  records.resize(static_cast<std::size_t>(count));
  std::sort(records.begin(), records.end());
  return records;
}

TEST(RecordTextTest, SizesAreGroupedAndTimesAreZeroPaddedLocalTime) {
  EXPECT_EQ(FormatSize(0), "0");
  EXPECT_EQ(FormatSize(999), "999");
  EXPECT_EQ(FormatSize(1000), "1,000");
  EXPECT_EQ(FormatSize(1234567), "1,234,567");
  EXPECT_EQ(FormatSize(5000000000ULL), "5,000,000,000");
  EXPECT_EQ(FormatSize(1234567, false), "1234567");
  EXPECT_EQ(FormatTime(kNoon2000), "2000/06/26 12:05:07");
  EXPECT_EQ(FormatTime(0), "1970/01/01 09:00:00");
  EXPECT_EQ(FormatTime(kNoon2000, "yy"), "00/06/26 12:05:07");
}

TEST(ListFilesTest, ListsOrdinaryFilesWithSizeAndTimeOnly) {
  TempDir dir;
  WriteFile(dir / "empty", "", kNoon2000);
  WriteFile(dir / "a.b.c", std::string(1000, 'x'), kNoon2000);
  WriteFile(dir / ".hidden", "h");
  WriteFile(dir / "sub/inner", "i");
  WriteFile(dir / "read-only.txt", "r", kNoon2000);
  ::chmod((dir / "read-only.txt").c_str(), 0444);
  ::symlink("a.b.c", (dir / "link-to-file").c_str());
  ::symlink("sub", (dir / "link-to-folder").c_str());
  ::symlink("nowhere", (dir / "dangling").c_str());
  ::mkfifo((dir / "fifo").c_str(), 0644);
  WriteFile(dir / "caf\xE9-\x83\x5C", "", kNoon2000);  // not UTF-8: listed byte-exact

  const std::vector<std::string> expected = {
      "a.b.c\t1,000\t2000/06/26 12:05:07",     "caf\xE9-\x83\x5C\t0\t2000/06/26 12:05:07",
      "empty\t0\t2000/06/26 12:05:07",         "link-to-file\t1,000\t2000/06/26 12:05:07",
      "read-only.txt\t1\t2000/06/26 12:05:07",
  };
  EXPECT_EQ(Listed(dir.path()), expected);
  EXPECT_EQ(Listed(dir.path() + "/"), expected);
}

TEST(ListFilesTest, MissingOrEmptyFolderListsNothingAndKeepsEarlierRecords) {
  TempDir dir;
  WriteFile(dir / "full/one", "1");
  testing_support::MakeFolders(dir / "empty");
  std::vector<std::string> records;
  long count = -1;
  ASSERT_EQ(ListFiles(dir / "full", "*.*", count, records, 0, true, "yyyy"), 0);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(records.size(), 65u);  // grown in steps of 64

  EXPECT_EQ(ListFiles(dir / "empty", "*.*", count, records, 0, true, "yyyy"), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ListFiles(dir / "missing", "*.*", count, records, 0, true, "yyyy"), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(records[0].substr(0, 4), "one\t");  // never cleared
}

TEST(ListSubfoldersDeepTest, GivesEachLevelBeforeTheSubtreesInOrder) {
  TempDir dir;
  // One subfolder per level keeps the platform's listing order out of the expectation.
  testing_support::MakeFolders(dir / "R/a/x/z");
  testing_support::MakeFolders(dir / "R/a/.hidden/inside");
  std::vector<std::string> list;
  EXPECT_EQ(ListSubfoldersDeep(dir / "R", list), 3);
  EXPECT_EQ(list, (std::vector<std::string>{dir / "R/a", dir / "R/a/x", dir / "R/a/x/z", ""}));

  // With two subfolders, each subtree follows both of them, in their listing order.
  testing_support::MakeFolders(dir / "R/b/y");
  ASSERT_EQ(ListSubfoldersDeep(dir / "R", list), 5);
  std::vector<std::string> first_level(list.begin(), list.begin() + 2);
  const bool a_first = first_level[0] == dir / "R/a";
  std::vector<std::string> expected = {dir / "R/a",     dir / "R/b",   dir / "R/a/x",
                                       dir / "R/a/x/z", dir / "R/b/y", ""};
  if (!a_first)
    expected = {dir / "R/b", dir / "R/a", dir / "R/b/y", dir / "R/a/x", dir / "R/a/x/z", ""};
  EXPECT_EQ(list, expected);
}

TEST(ListSubfoldersDeepTest, WalksVeryDeepTreesAndNeverFollowsLinksToFolders) {
  TempDir dir;
  // Deeper than any recursion would survive with a small stack, and within the path limit.
  // Each level is made relative to the one above, so making the tree stays linear.
  constexpr int kDepth = 1500;
  int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  std::string relative = "R";
  for (int i = 0; i <= kDepth; ++i) {
    const char* name = i == 0 ? "R" : "d";
    ASSERT_EQ(::mkdirat(fd, name, 0755), 0) << i;
    int next = ::openat(fd, name, O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    if (i > 0) relative += "/d";
  }
  ::close(fd);
  ::symlink("..", (dir / "R/d/loop").c_str());
  std::vector<std::string> list;
  EXPECT_EQ(ListSubfoldersDeep(dir / "R", list), kDepth);
  EXPECT_EQ(list[kDepth - 1], dir.path() + "/" + relative);
}

TEST(FolderTreeTest, NamesEachFolderByItsFullPathAsTheWalkDid) {
  FolderTree tree("/src");
  const auto a = tree.Add(FolderTree::kRoot, "a");
  const auto b = tree.Add(FolderTree::kRoot, "b");
  const auto ax = tree.Add(a, "x");
  const auto axz = tree.Add(ax, "Zz");
  const auto root = tree.AddRoot();
  std::string path = "reused";
  tree.PathOf(axz, path);
  EXPECT_EQ(path, "/src/a/x/Zz");
  EXPECT_EQ(tree.PathOf(b), "/src/b");
  EXPECT_EQ(tree.PathOf(root), "/src");
  ASSERT_EQ(tree.size(), 5u);

  // A root that ends in a separator (a drive's or the system's root) gets no second one.
  FolderTree top("/");
  EXPECT_EQ(top.PathOf(top.Add(top.Add(FolderTree::kRoot, "home"), "u")), "/home/u");

  // Where names are not case-sensitive the walk names folders below the first level
  // upper-cased, root and all; the first level keeps its case.
  FolderTree upper("/Src", true);
  const auto first = upper.Add(FolderTree::kRoot, "Docs");
  EXPECT_EQ(upper.PathOf(first), "/Src/Docs");
  EXPECT_EQ(upper.PathOf(upper.Add(first, "Mail")), "/SRC/DOCS/MAIL");
}

TEST(MakeFolderPathTest, CreatesEachMissingFolderOnceAndReportsBlockedPaths) {
  TempDir dir;
  testing_support::MakeFolders(dir / "a");
  auto tree = platform::DestinationTree::Open(dir.path());
  EXPECT_EQ(MakeFolderPath(dir / "a/b/c", *tree), 0);
  EXPECT_TRUE(Exists(dir / "a/b/c"));
  EXPECT_EQ(MakeFolderPath(dir / "a/b/c/", *tree), 0);
  EXPECT_EQ(MakeFolderPath("", *tree), 0);
  EXPECT_EQ(MakeFolderPath("/", *tree), 0);

  WriteFile(dir / "file", "f");
  platform::Status detail;
  EXPECT_NE(MakeFolderPath(dir / "file/inner", *tree, &detail), 0);
  EXPECT_NE(detail.message().find("file"), std::string::npos);
  EXPECT_NE(MakeFolderPath(dir / "a/../../escape", *tree, &detail), 0);
}

// The destination the user names may lie behind links; nothing below it is reached through
// one, wherever the link is and whatever it points at.
TEST(MakeFolderPathTest, NeverFollowsALinkBelowTheDestination) {
  TempDir dir;
  testing_support::MakeFolders(dir / "real/out/20250101");
  testing_support::MakeFolders(dir / "elsewhere");
  ::symlink((dir / "real").c_str(), (dir / "via-link").c_str());
  ::symlink((dir / "elsewhere").c_str(), (dir / "real/out/20250101/tmp").c_str());
  ::symlink("../../elsewhere", (dir / "real/out/20250102").c_str());
  auto tree = platform::DestinationTree::Open(dir / "via-link/out");
  platform::Status detail;
  for (const char* below : {"/20250101/tmp/x", "/20250101/tmp", "/20250102/x"}) {
    EXPECT_NE(MakeFolderPath(dir / "via-link/out" + below, *tree, &detail), 0) << below;
    EXPECT_NE(detail.message().find("symbolic link"), std::string::npos) << detail.message();
  }
  EXPECT_EQ(FilesBelow(dir / "elsewhere"), std::vector<std::string>{});
  EXPECT_FALSE(Exists(dir / "elsewhere/x"));
  EXPECT_EQ(MakeFolderPath(dir / "via-link/out/20250101/home/u", *tree), 0);
  EXPECT_TRUE(Exists(dir / "real/out/20250101/home/u"));
}

TEST(SplitPathTest, SeparatesFolderAndLastComponent) {
  std::string folder;
  EXPECT_EQ(SplitPath("/a/b/f.txt", folder), "f.txt");
  EXPECT_EQ(folder, "/a/b/");
  EXPECT_EQ(SplitPath("/f.txt", folder), "f.txt");
  EXPECT_EQ(folder, "");  // the root is not returned as a folder part
  EXPECT_EQ(SplitPath("f.txt", folder), "f.txt");
  EXPECT_EQ(folder, "");
  EXPECT_EQ(SplitPath("/a/b/", folder), "");
  EXPECT_EQ(folder, "/a/b/");
  EXPECT_EQ(SplitPath("a\\b", folder), "a\\b");  // a backslash is part of a name here
}

TEST(CopyFileToTest, CopiesIntoNewFoldersKeepingTimeAndHonoursOverwrite) {
  TempDir dir;
  WriteFile(dir / "src.txt", "new content", kNoon2000);
  auto tree = platform::DestinationTree::Open(dir / "out");
  const long overwrite = 1;
  const long keep = 0;
  EXPECT_EQ(CopyFileTo(dir / "src.txt", dir / "out/x/y/dst.txt", overwrite, *tree), 0);
  EXPECT_EQ(ReadFile(dir / "out/x/y/dst.txt"), "new content");
  EXPECT_EQ(Mtime(dir / "out/x/y/dst.txt"), kNoon2000);

  WriteFile(dir / "out/old.txt", "old");
  EXPECT_EQ(CopyFileTo(dir / "src.txt", dir / "out/old.txt", keep, *tree), kDestinationExists);
  EXPECT_EQ(ReadFile(dir / "out/old.txt"), "old");
  EXPECT_EQ(CopyFileTo(dir / "src.txt", dir / "out/old.txt", overwrite, *tree), 0);
  EXPECT_EQ(ReadFile(dir / "out/old.txt"), "new content");

  // Only a visible regular file is a source.
  WriteFile(dir / ".hidden", "h");
  for (const std::string& source :
       {dir / "src.txt/", dir / "gone.txt", dir / ".hidden", dir / "out"}) {
    EXPECT_EQ(CopyFileTo(source, dir / "out/z", overwrite, *tree), platform::kFileNotFound)
        << source;
  }
  EXPECT_FALSE(Exists(dir / "out/z"));
}

TEST(CopyFileToTest, ReplacesALinkAtTheTargetInsteadOfWritingThroughIt) {
  TempDir dir;
  WriteFile(dir / "src.txt", "copy");
  WriteFile(dir / "victim.txt", "must stay");
  testing_support::MakeFolders(dir / "out");
  ::symlink((dir / "victim.txt").c_str(), (dir / "out/dst.txt").c_str());
  auto tree = platform::DestinationTree::Open(dir / "out");
  const long overwrite = 1;
  ASSERT_EQ(CopyFileTo(dir / "src.txt", dir / "out/dst.txt", overwrite, *tree), 0);
  EXPECT_EQ(ReadFile(dir / "victim.txt"), "must stay");
  struct stat st;
  ASSERT_EQ(::lstat((dir / "out/dst.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(ReadFile(dir / "out/dst.txt"), "copy");
}

TEST(CopyFileToTest, AFailedCopyLeavesNeitherAPartialFileNorATemporaryOne) {
  TempDir dir;
  WriteFile(dir / "src.txt", "data");
  testing_support::MakeFolders(dir / "out/dst.txt");  // a folder where the file should go
  auto tree = platform::DestinationTree::Open(dir / "out");
  const long overwrite = 1;
  platform::Status detail;
  EXPECT_NE(CopyFileTo(dir / "src.txt", dir / "out/dst.txt", overwrite, *tree, &detail), 0);
  EXPECT_FALSE(detail.ok());
  EXPECT_EQ(testing_support::FilesBelow(dir / "out"), std::vector<std::string>{});
}

// What an interrupted run left behind is cleared away before the next copy into its folder;
// a file that a live run is writing (it holds its lock) stays.
TEST(CopyFileToTest, RemovesStaleTemporaryFilesButNotALiveRunsOne) {
  TempDir dir;
  WriteFile(dir / "src.txt", "s");
  WriteFile(dir / "out/.grebewick-99999-3.tmp", "left by a killed run");
  WriteFile(dir / "out/.grebewick-99998-7.tmp", "being written");
  WriteFile(dir / "out/.grebewick-notes.tmp", "the user's own");
  platform::Status status;
  auto live = platform::LockedFile::Open(dir / "out/.grebewick-99998-7.tmp", &status);
  ASSERT_TRUE(live) << status.message();
  auto tree = platform::DestinationTree::Open(dir / "out");
  const long overwrite = 1;
  ASSERT_EQ(CopyFileTo(dir / "src.txt", dir / "out/dst.txt", overwrite, *tree), 0);
  EXPECT_EQ(FilesBelow(dir / "out"), (std::vector<std::string>{".grebewick-99998-7.tmp",
                                                               ".grebewick-notes.tmp", "dst.txt"}));
}

// Below the media folders the first folder is a medium's mount point, as a drive letter is
// on Windows: where nothing is mounted, the run ends with the folder-creation message and
// writes nothing to the system's disk below it.
TEST(PrepareDestinationTest, AMediumThatIsNotMountedEndsTheRunAndNothingIsMade) {
  TempDir dir;
  WriteFile(dir / "src/f", "f", kNoon2000);
  DateFolderName = "20001231";
  auto run = [&](const std::string& destination) {
    testing_support::ScriptedHost host;
    host.pairs = {{dir / "src", "なし"}};
    host.destination = destination;
    std::string said = std::to_string(static_cast<int>(RunBackup(host.job(), host))) + "\n";
    for (const auto& box : host.boxes) said += box.title + ": " + box.text + "\n";
    for (const std::string& note : host.notes) said += "note: " + note + "\n";
    return said;
  };
  const std::string kSection = "----\n";
  std::string result, skip;
  if (!testing_support::InPrivateMedia(
          [&] {
            std::string out = run("/media/nosuchdisk/backup") + kSection;
            // An empty mount point left behind, and a user's folder without its medium.
            ::mkdir("/mnt/usb", 0755);
            ::mkdir("/media/root", 0755);
            out += run("/mnt/usb") + kSection + run("/media/root/USB/backup") + kSection;
            out += testing_support::TreeBelow("/media") + testing_support::TreeBelow("/mnt") +
                   kSection;
            if (!testing_support::MountMedium("/media/disk")) return std::string("\x01no tmpfs");
            return out + run("/media/disk/backup");
          },
          &result, &skip)) {
    GTEST_SKIP() << skip;
  }
  const std::vector<std::string> sections = testing_support::Sections(result, kSection);
  ASSERT_EQ(sections.size(), 5u) << result;
  const std::string refused =
      std::to_string(static_cast<int>(RunOutcome::kDestinationRefused)) +
      "\nフォルダ作成エラー: フォルダが作成できませんでした。\r処理を中止します。\n";
  EXPECT_EQ(sections[0], refused +
                             "note: open(/media/nosuchdisk/backup): nothing is mounted at "
                             "/media/nosuchdisk (is the medium mounted?)\n");
  EXPECT_EQ(
      sections[1],
      refused + "note: open(/mnt/usb): nothing is mounted at /mnt/usb (is the medium mounted?)\n");
  EXPECT_EQ(sections[2], refused +
                             "note: open(/media/root/USB/backup): nothing is mounted at "
                             "/media/root/USB (is the medium mounted?)\n");
  EXPECT_EQ(sections[3], "/media/root\n/mnt/usb\n") << "nothing was made";
  EXPECT_EQ(sections[4], std::to_string(static_cast<int>(RunOutcome::kCompleted)) + "\n");
}

}  // namespace
}  // namespace engine
