// The listing, folder and copy helpers with the Windows rules: attributes decide what is
// listed, drive letters and network paths decide what a destination may be.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/com_file_ex.h"
#include "engine/public_function.h"
#include "platform/text.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"

namespace engine {
namespace {

using testing_support::Exists;
using testing_support::kFolder;
using testing_support::kHidden;
using testing_support::kReadOnly;
using testing_support::kSystem;
using testing_support::SetAttributesOf;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kNoon2000 = 961988707;  // 2000-06-26 03:05:07 UTC, 12:05:07 in JST

TEST(ListFilesWin32Test, RecordsOfOrdinaryFilesOnlyWithLocalTimes) {
  TempDir dir;
  WriteFile(dir / "a.b.c", std::string(1000, 'x'), kNoon2000);
  WriteFile(dir / "read-only.txt", "r", 0);
  WriteFile(dir / "hidden.txt", "h");
  WriteFile(dir / "system.txt", "s");
  WriteFile(dir / "sub/inner", "i");
  SetAttributesOf(dir / "read-only.txt", kReadOnly);
  SetAttributesOf(dir / "hidden.txt", kHidden);
  SetAttributesOf(dir / "system.txt", kSystem);
  std::vector<std::string> records;
  long count = 0;
  ASSERT_EQ(ListFiles(dir.path(), "*.*", count, records, 0, true, "yyyy"), 0);
  records.resize(static_cast<std::size_t>(count));
  std::sort(records.begin(), records.end());
  EXPECT_EQ(records, (std::vector<std::string>{"a.b.c\t1,000\t2000/06/26 12:05:07",
                                               "read-only.txt\t1\t1970/01/01 09:00:00"}));
}

TEST(ListSubfoldersDeepWin32Test, SkipsHiddenAndSystemFoldersAndUpperCasesDeeperPaths) {
  TempDir dir;
  testing_support::MakeFolders(dir / "R/a/x/z");
  testing_support::MakeFolders(dir / "R/a/Hidden/inside");
  testing_support::MakeFolders(dir / "R/System");
  SetAttributesOf(dir / "R/a/Hidden", kHidden | kFolder);
  SetAttributesOf(dir / "R/System", kSystem | kFolder);
  std::vector<std::string> list;
  ASSERT_EQ(ListSubfoldersDeep(dir / "R", list), 3);
  EXPECT_EQ(list, (std::vector<std::string>{dir / "R/a", platform::UpperCase(dir / "R/a/x"),
                                            platform::UpperCase(dir / "R/a/x/z"), ""}));
}

TEST(PrepareDestinationWin32Test, RefusesNetworkAndRootlessPathsAndMakesDrivePaths) {
  struct Row {
    const char* path;
    const char* text;
    const char* title;
  };
  const Row refused[] = {
      {"\\\\server\\share\\x", "このバージョンではネットワーク対応しておりません。\rm(_!_)m",
       "おしらせ"},
      {"//server/share/x", "このバージョンではネットワーク対応しておりません。\rm(_!_)m",
       "おしらせ"},
      {"\\backup", "コピー先の指定が間違っています。", "フォルダ指定エラー"},
  };
  for (const Row& row : refused) {
    testing_support::ScriptedHost messages;
    auto tree = platform::DestinationTree::Open(row.path);
    EXPECT_FALSE(PrepareDestination(row.path, messages, *tree, kDefaultFolders)) << row.path;
    ASSERT_EQ(messages.boxes.size(), 1u) << row.path;
    EXPECT_EQ(messages.boxes[0].text, row.text);
    EXPECT_EQ(messages.boxes[0].title, row.title);
  }
  TempDir dir;
  testing_support::ScriptedHost messages;
  auto tree = platform::DestinationTree::Open(dir.path());
  EXPECT_TRUE(PrepareDestination(dir / "a/b/", messages, *tree, kDefaultFolders));
  EXPECT_TRUE(Exists(dir / "a/b"));
  EXPECT_TRUE(messages.boxes.empty());
  auto drive = platform::DestinationTree::Open("C:");
  EXPECT_EQ(MakeFolderPath("C:\\", *drive), 0);  // a drive's root is never made
}

TEST(SplitPathWin32Test, TheDriveIsNoFolderPartAndEitherSlashSeparates) {
  using Row = std::tuple<const char*, const char*, const char*>;
  for (auto [path, name, folder] :
       {Row{"C:\\a\\b\\f.txt", "f.txt", "C:\\a\\b\\"}, Row{"C:\\f.txt", "f.txt", ""},
        Row{"C:f.txt", "f.txt", ""}, Row{"C:/a/f.txt", "f.txt", "C:/a/"},
        Row{"C:\\a\\", "", "C:\\a\\"}}) {
    std::string split_folder;
    EXPECT_EQ(SplitPath(path, split_folder), name) << path;
    EXPECT_EQ(split_folder, folder) << path;
  }
}

TEST(CopyFileToWin32Test, HiddenAndSystemFilesAreNoSourcesAndAReadOnlyCopyIsReplaced) {
  TempDir dir;
  WriteFile(dir / "src.txt", "new", kNoon2000);
  WriteFile(dir / "hidden.txt", "h");
  WriteFile(dir / "system.txt", "s");
  SetAttributesOf(dir / "hidden.txt", kHidden);
  SetAttributesOf(dir / "system.txt", kSystem);
  const long overwrite = 1;
  auto tree = platform::DestinationTree::Open(dir / "out");
  for (const char* name : {"hidden.txt", "system.txt"}) {
    EXPECT_EQ(CopyFileTo(dir / name, dir / "out/x", overwrite, *tree), platform::kFileNotFound)
        << name;
  }
  WriteFile(dir / "out/a/dst.txt", "old");
  SetAttributesOf(dir / "out/a/dst.txt", kReadOnly);
  EXPECT_EQ(CopyFileTo(dir / "src.txt", dir / "out/a/dst.txt", overwrite, *tree), 0);
  EXPECT_EQ(testing_support::ReadFile(dir / "out/a/dst.txt"), "new");
  EXPECT_EQ(testing_support::Mtime(dir / "out/a/dst.txt"), kNoon2000);
  EXPECT_EQ(testing_support::FilesBelow(dir / "out"), std::vector<std::string>{"a/dst.txt"});
}

}  // namespace
}  // namespace engine
