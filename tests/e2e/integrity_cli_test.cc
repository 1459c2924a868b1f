// grebewick-cli where a changed file could slip out of the backup: archives among the user's
// own files, comparisons that are the source itself, a destination inside a source, hidden
// files, and errors that a quiet run must still show.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/job.h"
#include "platform/path_rules.h"
#include "tests/support/platform_paths.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/unlha32/header_builder.h"

namespace {

using ::testing::HasSubstr;
using testing_support::FilesBelow;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kDay = 1577836800;     // 2020-01-01 00:00:00 UTC
constexpr std::uint32_t k2100 = 4102444800u;  // 2100-01-01 00:00:00 UTC

ProgramResult Cli(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), GREBEWICK_CLI);
  return RunProgram(testing_support::InTimeZone("UTC", arguments));
}

// The source files a dry run selects, relative to `root`, sorted.
std::vector<std::string> Selected(const ProgramResult& run, const std::string& root) {
  std::vector<std::string> files;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    files.push_back(testing_support::Canonical(
        line.substr(root.size() + 1, line.find('\t') - root.size() - 1)));
  }
  std::sort(files.begin(), files.end());
  return files;
}

// An archive whose members claim to be `name` with `size` bytes, dated 2100 (level 2) and
// with a stamp of all ones (level 1): a copy of the user's own file that happens to say so.
void PlantArchive(const std::string& path, const std::string& name, std::uint32_t size) {
  using unlha32::test::HeaderBuilder;
  HeaderBuilder future{.original = size, .stamp = k2100, .name = name};
  HeaderBuilder invalid{.level = 1, .original = size, .stamp = 0xFFFFFFFF, .name = name};
  unlha32::test::Bytes archive = unlha32::test::Archive({future.Build(), invalid.Build()});
  std::ofstream(testing_support::PathOf(path), std::ios::binary)
      .write(reinterpret_cast<const char*>(archive.data()), static_cast<long>(archive.size()));
}

TEST(IntegrityCliTest, AnArchiveAmongTheUsersFilesNeverHidesAChange) {
  TempDir dir;
  WriteFile(dir / "src/wallet.dat", "0123456789", kDay);
  PlantArchive(dir / "src/cats.lzh", "wallet.dat", 11);
  const std::string dest = dir / "D";
  ASSERT_EQ(
      Cli({"--dest", dest, "--mkpath", "--source", dir / "src", "--date", "20250101", "--quiet"})
          .exit_status,
      0);
  WriteFile(dir / "src/wallet.dat", "0123456789!", kDay + 86400);
  const std::string backup = engine::BelowDateFolder(dest + "/20250101", dir / "src");
  const std::vector<std::vector<std::string>> ways = {
      {"--incremental"},
      {"--incremental", "--archives-in-backups"},
      {"--previous", dest + "/20250101", "--archives-in-backups"},
      {"--compare", backup},
  };
  for (const std::vector<std::string>& way : ways) {
    SCOPED_TRACE(way[0] + (way.size() > 1 ? " " + way.back() : ""));
    std::vector<std::string> arguments = {"--dest", dest,       "--source",  dir / "src",
                                          "--date", "20250102", "--dry-run", "--any-folder"};
    arguments.insert(arguments.end(), way.begin(), way.end());
    ProgramResult run = Cli(arguments);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_THAT(Selected(run, dir / "src"), ::testing::ElementsAre("wallet.dat"));
  }
}

TEST(IntegrityCliTest, AComparisonThatIsTheSourceItselfIsRefused) {
  TempDir dir;
  WriteFile(dir / "src/sub/f", "f", kDay);
  testing_support::MakeFolders(dir / "D/20250101");
  const std::string src = dir / "src";
  const std::vector<std::string> base = {"--dest", dir / "D", "--date", "20250102", "--dry-run"};
  struct Row {
    std::vector<std::string> arguments;
    const char* message;
  } rows[] = {
      {{"--source", src, "--previous", ""}, "empty value"},
      {{"--source", src, "--compare", ""}, "empty value"},
      {{"--source", ""}, "empty value"},
      // The root as a backup: root + the source's path is the source itself.
      {{"--source", src, "--previous", src.substr(0, platform::RootNameLength(src) + 1)},
       "is the source folder"},
      {{"--source", src, "--compare", src}, "is the source folder"},
      {{"--source", src, "--compare", dir.path()}, "holds the source folder"},
      {{"--source", src, "--compare", src + "/sub"}, "lies inside the source folder"},
      {{"--source", src, "--source", src + "/sub/.."}, "is given twice"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> arguments = base;
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    SCOPED_TRACE(::testing::PrintToString(row.arguments));
    ProgramResult run = Cli(arguments);
    EXPECT_EQ(run.exit_status, 2) << run.err;
    EXPECT_THAT(run.err, HasSubstr(row.message));
    EXPECT_EQ(run.out, "");
  }
  ProgramResult empty_dest = Cli({"--dest", "", "--source", src});
  EXPECT_EQ(empty_dest.exit_status, 2);
  EXPECT_THAT(empty_dest.err, HasSubstr("empty value"));
}

TEST(IntegrityCliTest, ALinkInABackupIsNotFollowed) {
  if (!platform::NamesAreCaseSensitive()) GTEST_SKIP() << "POSIX links";
  TempDir dir;
  WriteFile(dir / "src/f", "f", kDay);
  // The date folder's way to the source's copy passes through a link to the source's parent.
  const std::string member = engine::BelowDateFolder(dir / "D/20250101", dir / "src");
  const std::filesystem::path link = std::filesystem::path(member).parent_path();
  std::filesystem::create_directories(link.parent_path());
  std::filesystem::create_directory_symlink(dir.path(), link);
  ProgramResult run = Cli({"--dest", dir / "D", "--source", dir / "src", "--date", "20250102",
                           "--incremental", "--dry-run"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_THAT(Selected(run, dir / "src"), ::testing::ElementsAre("f"));
  EXPECT_THAT(run.err, HasSubstr("symbolic link"));
}

TEST(IntegrityCliTest, ADestinationInsideTheSourceIsLeftOutEveryDay) {
  TempDir dir;
  WriteFile(dir / "src/a.txt", "a", kDay);
  const std::string dest = dir / "src/bk";
  for (const char* day : {"20250101", "20250102", "20250103"}) {
    WriteFile(dir / "src/a.txt", std::string("a") + day, kDay + std::atoi(day) % 100 * 86400);
    ProgramResult run =
        Cli({"--dest", dest, "--mkpath", "--source", dir / "src", "--date", day, "--incremental"});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    // The first run creates the destination after the search: nothing to leave out yet.
    if (std::string(day) != "20250101") {
      EXPECT_THAT(run.err, HasSubstr("is left out"));
    }
    std::vector<std::string> copied;
    for (const std::string& file :
         FilesBelow(engine::BelowDateFolder(dest + "/" + day, dir / "src"))) {
      copied.push_back(testing_support::Canonical(file));
    }
    EXPECT_EQ(copied, (std::vector<std::string>{"a.txt"})) << day;
  }
}

TEST(IntegrityCliTest, HiddenEntriesAreCountedOrIncludedOnRequest) {
  if (!platform::NamesAreCaseSensitive()) GTEST_SKIP() << "dot-files are hidden on POSIX only";
  TempDir dir;
  WriteFile(dir / "src/a", "a", kDay);
  WriteFile(dir / "src/.profile", "p", kDay);
  WriteFile(dir / "src/.config/app/settings", "s", kDay);
  const std::vector<std::string> base = {"--dest",    dir / "D", "--mkpath", "--source",
                                         dir / "src", "--date",  "20250101", "--dry-run"};
  ProgramResult plain = Cli(base);
  EXPECT_THAT(Selected(plain, dir / "src"), ::testing::ElementsAre("a"));
  EXPECT_THAT(plain.err, HasSubstr("2 hidden entries"));

  ProgramResult run = Cli(
      {"--dest", dir / "D", "--mkpath", "--source", dir / "src", "--date", "20250101", "--hidden"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(FilesBelow(engine::BelowDateFolder(dir / "D/20250101", dir / "src")),
            (std::vector<std::string>{".config/app/settings", ".profile", "a"}));
  // The hidden copies count as the backup of the hidden files.
  ProgramResult again = Cli({"--dest", dir / "D", "--source", dir / "src", "--date", "20250102",
                             "--hidden", "--incremental", "--dry-run"});
  EXPECT_EQ(again.exit_status, 0) << again.err;
  EXPECT_EQ(again.out, "");
}

TEST(IntegrityCliTest, AQuietRunStillShowsWhyItFailed) {
  TempDir dir;
  testing_support::MakeFolders(dir / "D");
  ProgramResult run = Cli({"--dest", dir / "D", "--source", dir / "missing", "--quiet"});
  EXPECT_EQ(run.exit_status, 1);
  // Where names ignore case the run names its folders in upper case.
  EXPECT_THAT(testing_support::Canonical(run.err),
              HasSubstr(testing_support::Canonical(dir / "missing")));
}

}  // namespace
