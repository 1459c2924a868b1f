// The destination tree on Windows (under Wine in CI): nothing written through a link or
// junction, names Windows cannot hold, case collisions, leftovers of interrupted runs, and
// sources that change while they are copied; and the rules the tree takes from the volume.
#include <windows.h>
// after windows.h
#include <shellapi.h>
// The tree's own CopyFile, not the macro for the system call of that name.
#undef CopyFile

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/destination.h"
#include "platform/file_system.h"
#include "platform/output_folder.h"
#include "platform/win32/command_line.h"
#include "platform/win32/destination_rules.h"
#include "platform/win32/wide.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"

namespace platform {
namespace {

using testing_support::Exists;
using testing_support::FilesBelow;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using win32::Widen;

constexpr std::int64_t kSecondTicks = 10'000'000;

TEST(DestinationRulesWin32Test, TraitsFollowTheFileSystemsName) {
  using Row = std::tuple<const wchar_t*, std::int64_t, std::uint64_t>;
  for (auto [name, step, limit] : {
           Row{L"FAT32", 2'000'000'000, 0xFFFFFFFFull}, Row{L"FAT", 2'000'000'000, 0xFFFFFFFFull},
           Row{L"fat16", 2'000'000'000, 0xFFFFFFFFull}, Row{L"exFAT", 10'000'000, UINT64_MAX},
           Row{L"NTFS", 100, UINT64_MAX}, Row{L"ReFS", 100, UINT64_MAX},
           Row{L"", 100, UINT64_MAX},  // the system could not say
       }) {
    const DestinationTraits traits = win32::TraitsOfVolume(name);
    EXPECT_EQ(traits.time_step_ns, step) << win32::Narrow(name);
    EXPECT_EQ(traits.max_file_size, limit) << win32::Narrow(name);
    EXPECT_TRUE(traits.case_insensitive);
    EXPECT_TRUE(traits.windows_names);
    // FAT and exFAT count years from 1980 in seven bits.
    EXPECT_EQ(traits.latest_time != INT64_MAX, step != 100) << win32::Narrow(name);
  }
}

TEST(DestinationRulesWin32Test, NamesWindowsCannotHold) {
  DestinationTraits traits = win32::TraitsOfVolume(L"NTFS");
  EXPECT_EQ(NameProblem("CON", traits), "Windows reserves it for the device CON");
  EXPECT_EQ(NameProblem(std::string(256, 'a'), traits), "it is longer than 255 characters");
  traits.max_name_units = 12;
  EXPECT_EQ(NameProblem("ABCDEFGHI.TXT", traits), "it is longer than 12 characters");
}

TEST(DestinationRulesWin32Test, TimesRoundUpToTheStepNeverDownWithinTheVolumesRange) {
  const std::int64_t even = 130'000'000'000'000'000;  // a whole, even second
  const DestinationTraits fat = win32::TraitsOfVolume(L"FAT32"),
                          exfat = win32::TraitsOfVolume(L"exFAT"),
                          ntfs = win32::TraitsOfVolume(L"NTFS");
  const std::int64_t first = (fat.earliest_time + 11'644'473'600) * kSecondTicks;
  const std::int64_t last = (fat.latest_time + 11'644'473'600) * kSecondTicks;
  const std::int64_t year_1970 = 116'444'736'000'000'000;
  using Row = std::tuple<std::int64_t, const DestinationTraits*, std::int64_t>;
  for (auto [ticks, traits, copy] : {
           Row{even, &fat, even},
           Row{even + 1, &fat, even + 2 * kSecondTicks},
           Row{even + kSecondTicks, &fat, even + 2 * kSecondTicks},
           Row{even + 1, &exfat, even + 100'000},
           Row{even + 1, &ntfs, even + 1},
           Row{year_1970, &fat, first},
           Row{year_1970, &exfat, first},
           Row{year_1970, &ntfs, year_1970},
           Row{last + 1, &fat, last},
       }) {
    EXPECT_EQ(win32::CopyTimeTicks(ticks, *traits), copy) << ticks - even;
  }
}

// The program splits its own command line (see command_line.h); it must read it as the
// system's parser does.
TEST(CommandLineWin32Test, SplitsAsTheSystemDoes) {
  for (const wchar_t* line : {
           L"prog.exe --dest D:\\backup --source \"D:\\my docs\"",
           L"\"C:\\Program Files\\g.exe\" a\\\\\"b c\" d",
           L"g.exe \"a\\\"b\" \\\\\\\"c \"\" \"\"\"\" x\"\"\"y",
           L"g.exe\ta\t\t\"\" trailing\\\\ ",
           L"\"unclosed program name",
           L"g.exe \"unclosed argument",
           L"g.exe",
       }) {
    int count = 0;
    wchar_t** expected = ::CommandLineToArgvW(line, &count);
    ASSERT_NE(expected, nullptr);
    std::vector<std::wstring> system(expected, expected + count);
    ::LocalFree(expected);
    EXPECT_EQ(win32::SplitCommandLine(line), system) << win32::Narrow(line);
  }
}

class DestinationTreeWin32Test : public ::testing::Test {
 protected:
  Status Copy(
      const std::string& source, const std::string& destination,
      KeepGoing keep_going = [] { return true; }) {
    Status status = tree_->MakeFolders(destination.substr(0, destination.rfind('\\')),
                                       [](std::string_view) { return std::string(); });
    if (!status.ok()) return status;
    return tree_->CopyFile(source, destination, keep_going);
  }

  TempDir dir_;
  std::unique_ptr<DestinationTree> tree_ = DestinationTree::Open(dir_ / "out");
};

TEST_F(DestinationTreeWin32Test, CopiesKeepTimeAndAttributesAndReplaceAReadOnlyTarget) {
  WriteFile(dir_ / "src.txt", "new", 961988707);
  testing_support::SetAttributesOf(dir_ / "src.txt",
                                   testing_support::kReadOnly | testing_support::kArchive);
  WriteFile(dir_ / "out/a/dst.txt", "old");
  testing_support::SetAttributesOf(dir_ / "out/a/dst.txt", testing_support::kReadOnly);
  ASSERT_TRUE(Copy(dir_ / "src.txt", dir_ / "out/a/dst.txt").ok());
  EXPECT_EQ(ReadFile(dir_ / "out/a/dst.txt"), "new");
  EXPECT_EQ(testing_support::Mtime(dir_ / "out/a/dst.txt"), 961988707);
  EXPECT_EQ(testing_support::AttributesOf(dir_ / "out/a/dst.txt"),
            testing_support::kReadOnly | testing_support::kArchive);
  EXPECT_TRUE(tree_->Finish().ok());
  EXPECT_EQ(FilesBelow(dir_ / "out"), std::vector<std::string>{"a/dst.txt"});
}

// A link or junction anywhere below the destination fails the folder it stands for, and
// nothing reaches the folder it leads to.
TEST_F(DestinationTreeWin32Test, NothingIsWrittenThroughALinkBelowTheDestination) {
  testing_support::MakeFolders(dir_ / "out/20250101");
  testing_support::MakeFolders(dir_ / "elsewhere");
  WriteFile(dir_ / "src.txt", "s");
  if (!testing_support::MakeFolderLink(dir_ / "out/20250101/DOCS", dir_ / "elsewhere")) {
    GTEST_SKIP() << "this system makes neither junctions nor links";
  }
  for (const char* below : {"out/20250101/DOCS", "out/20250101/DOCS/SUB"}) {
    Status status = tree_->MakeFolders(dir_ / below, [](std::string_view) { return ""; });
    EXPECT_EQ(status.code(), kPathNotFound) << below;
    EXPECT_NE(status.message().find("nothing is written through links"), std::string::npos)
        << status.message();
  }
  EXPECT_FALSE(
      tree_->CopyFile(dir_ / "src.txt", dir_ / "out/20250101/DOCS/f.txt", [] { return true; })
          .ok());
  EXPECT_EQ(FilesBelow(dir_ / "elsewhere"), std::vector<std::string>{});
  EXPECT_FALSE(Exists(dir_ / "elsewhere/SUB"));
  // The rest of the tree is still written.
  EXPECT_TRUE(Copy(dir_ / "src.txt", dir_ / "out/20250101/OTHER/f.txt").ok());
}

TEST_F(DestinationTreeWin32Test, NamesWindowsCannotHoldAreFailedCopiesWithTheReason) {
  WriteFile(dir_ / "src.txt", "s");
  Status status = Copy(dir_ / "src.txt", dir_ / "out/d/con.txt");
  EXPECT_EQ(status.code(), kBadFileName);
  EXPECT_NE(status.message().find("reserves it for the device con"), std::string::npos)
      << status.message();
  status = tree_->MakeFolders(dir_ / "out/d/AUX/x", [](std::string_view) { return ""; });
  EXPECT_EQ(status.code(), kBadFileName);
  status = Copy(dir_ / "src.txt", dir_ / "out/d/dot.");
  EXPECT_EQ(status.code(), kBadFileName);
  // (A classic path ending in AUX names the device, which always "exists": the listing tells.)
  std::vector<std::string> names;
  ASSERT_TRUE(FileSystem::Default()
                  .List(dir_ / "out/d", ListWhat::kFilesAndFolders, false,
                        [&](const ListedEntry& entry) {
                          names.emplace_back(entry.name);
                          return true;
                        })
                  .ok());
  EXPECT_EQ(names, std::vector<std::string>{});
}

// Letter case does not tell names apart on Windows: a second file whose name differs from
// one already copied only in case would replace it.
TEST_F(DestinationTreeWin32Test, ACaseOnlyCollisionIsAFailedCopyNotAReplacement) {
  WriteFile(dir_ / "a.txt", "lower");
  WriteFile(dir_ / "b.txt", "upper");
  ASSERT_TRUE(Copy(dir_ / "a.txt", dir_ / "out/d/a.txt").ok());
  Status status = Copy(dir_ / "b.txt", dir_ / "out/d/A.TXT");
  EXPECT_EQ(status.code(), kFileAlreadyExists);
  EXPECT_NE(status.message().find("letter case does not count"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "out/d/a.txt"), "lower");
  // The same name again is a replacement, as on every run of the same day.
  EXPECT_TRUE(Copy(dir_ / "b.txt", dir_ / "out/d/a.txt").ok());
  EXPECT_EQ(ReadFile(dir_ / "out/d/a.txt"), "upper");
}

// What an interrupted run left behind is cleared away before the next copy into its folder;
// a file that a live run is writing (it holds it open) stays, and so do the user's own.
TEST_F(DestinationTreeWin32Test, RemovesStaleTemporaryFilesButNotALiveRunsOne) {
  WriteFile(dir_ / "src.txt", "s");
  WriteFile(dir_ / "out/~grebewick-99999-3.tmp", "left by a killed run");
  WriteFile(dir_ / "out/~grebewick-99998-4.tmp", "left read-only");
  WriteFile(dir_ / "out/~grebewick-99997-7.tmp", "being written");
  WriteFile(dir_ / "out/~grebewick-notes.tmp", "the user's own");
  testing_support::SetAttributesOf(dir_ / "out/~grebewick-99999-3.tmp", testing_support::kHidden);
  testing_support::SetAttributesOf(dir_ / "out/~grebewick-99998-4.tmp",
                                   testing_support::kHidden | testing_support::kReadOnly);
  testing_support::HeldFile live(dir_ / "out/~grebewick-99997-7.tmp");
  ASSERT_TRUE(tree_->CopyFile(dir_ / "src.txt", dir_ / "out/dst.txt", [] { return true; }).ok());
  EXPECT_EQ(FilesBelow(dir_ / "out"), (std::vector<std::string>{"dst.txt", "~grebewick-99997-7.tmp",
                                                                "~grebewick-notes.tmp"}));
}

// A source written to while it is copied is copied again; one that keeps changing is a failed
// copy that leaves the earlier backup as it was. Either way no temporary file stays.
TEST_F(DestinationTreeWin32Test, ASourceThatChangesDuringTheCopyIsCopiedAgainOrFails) {
  WriteFile(dir_ / "grows.txt", "start");
  int parts = 0;
  auto append_once = [&] {
    if (parts++ == 0) WriteFile(dir_ / "grows.txt", "start and more");
    return true;
  };
  ASSERT_TRUE(Copy(dir_ / "grows.txt", dir_ / "out/grows.txt", append_once).ok());
  EXPECT_EQ(ReadFile(dir_ / "out/grows.txt"), "start and more");

  WriteFile(dir_ / "busy.txt", "0");
  WriteFile(dir_ / "out/busy.txt", "yesterday");
  int writes = 0;
  auto append_always = [&] {
    WriteFile(dir_ / "busy.txt", std::string(++writes, 'x'));
    return true;
  };
  Status status = Copy(dir_ / "busy.txt", dir_ / "out/busy.txt", append_always);
  EXPECT_EQ(status.code(), kPathFileAccessError);
  EXPECT_NE(status.message().find("changed while it was copied, twice"), std::string::npos)
      << status.message();
  EXPECT_EQ(ReadFile(dir_ / "out/busy.txt"), "yesterday");

  status = Copy(dir_ / "grows.txt", dir_ / "out/cancelled.txt", [] { return false; });
  EXPECT_EQ(status.code(), kUserInterrupt);
  EXPECT_EQ(FilesBelow(dir_ / "out"), (std::vector<std::string>{"busy.txt", "grows.txt"}));
}

// A drive's root is a common destination (a memory card): its path is the only one that ends
// in a separator, which the prefixed paths below it must not double (Windows refuses an empty
// component there; Wine does not, so under Wine this only shows that the root is usable).
TEST(DriveRootWin32Test, TheTreeAndExtractionWriteBelowADrivesRoot) {
  if (!Exists("D:\\")) GTEST_SKIP() << "no drive D: (tests/wine/run maps one): skipped";
  TempDir dir;
  WriteFile(dir / "src.txt", "s");
  const std::string name = "D:\\ROOT-" + std::to_string(testing_support::ProcessId());
  auto tree = DestinationTree::Open("D:\\");
  ASSERT_TRUE(tree->MakeFolders(name + "\\sub", [](std::string_view) { return ""; }).ok());
  for (const std::string& to : {name + "\\sub\\f.txt", name + ".txt"}) {
    EXPECT_TRUE(tree->CopyFile(dir / "src.txt", to, [] { return true; }).ok()) << to;
  }
  EXPECT_TRUE(tree->Finish().ok());
  std::unique_ptr<OutputFolder> root;
  ASSERT_TRUE(OutputFolder::Open("D:\\", &root).ok());
  std::unique_ptr<OutputFile> file;
  ASSERT_TRUE(root->CreateTemporary(&file).ok());
  EXPECT_TRUE(file->Commit(name.substr(3) + ".out", std::nullopt, 961988707, false).ok());
  file.reset();

  for (const char* suffix : {"\\sub\\f.txt", ".txt", ".out"}) {
    EXPECT_EQ(ReadFile(name + suffix), suffix == std::string(".out") ? "" : "s") << suffix;
  }
  std::filesystem::remove_all(testing_support::PathOf(name));
  std::filesystem::remove(testing_support::PathOf(name + ".txt"));
  std::filesystem::remove(testing_support::PathOf(name + ".out"));
}

}  // namespace
}  // namespace platform
