// grebewick-cli's decisions where real file systems and archives test them: names that
// differ only in case, the hour that daylight saving repeats, and members of 2 GiB or more.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/path_rules.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/unlha32/header_builder.h"

namespace {

using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kDay = 1577836800;  // 2020-01-01 00:00:00 UTC
// The end of daylight saving in New York, 2024-11-03: 05:50 UTC is 01:50 EDT, 06:10 UTC is
// 01:10 EST, twenty minutes later.
constexpr std::int64_t kBefore = 1730613000;
constexpr std::int64_t kAfter = 1730614200;
constexpr char kNewYork[] = "EST5EDT,M3.2.0,M11.1.0";

bool HaveJlha() { return std::system("command -v jlha >/dev/null 2>&1") == 0; }

// The source files a dry run selects, relative to `root`, sorted.
std::vector<std::string> Selected(const ProgramResult& run, const std::string& root) {
  std::vector<std::string> files;
  std::size_t start = 0;
  while (start < run.out.size()) {
    std::size_t end = run.out.find('\n', start);
    std::string line = run.out.substr(start, end - start);
    files.push_back(line.substr(root.size() + 1, line.find('\t') - root.size() - 1));
    start = end == std::string::npos ? run.out.size() : end + 1;
  }
  std::sort(files.begin(), files.end());
  return files;
}

ProgramResult DryRun(const TempDir& dir, const char* zone, std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments = {GREBEWICK_CLI,  "--dest",    dir / "out", "--source",
                                        dir / "src",    "--compare", dir / "cmp", "--dry-run",
                                        "--any-folder", "--mkpath"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return RunProgram(testing_support::InTimeZone(zone, arguments));
}

void Jlha(const TempDir& dir, const std::string& options, const std::string& zone,
          const std::vector<std::string>& files) {
  std::string command =
      "cd '" + dir.path() + "/cmp' && TZ=" + zone + " jlha " + options + " backup.lzh";
  for (const std::string& file : files) command += " '" + file + "'";
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
  for (const std::string& file : files) std::filesystem::remove(dir / ("cmp/" + file));
}

// a..h.txt beside A..H.TXT; every upper-case file then changes, keeping its size. The
// backup holds them as plain files, or in an archive that kept their names.
TEST(DecisionCliTest, FilesThatDifferOnlyInCaseAreJudgedEachAgainstItsOwnBackup) {
  if (!platform::NamesAreCaseSensitive()) {
    GTEST_SKIP() << "a folder here cannot hold two names that differ only in case";
  }
  for (bool archived : {false, true}) {
    SCOPED_TRACE(archived ? "archive" : "plain files");
    if (archived && !HaveJlha()) GTEST_SKIP() << "jlha is not installed: skipped";
    TempDir dir;
    std::vector<std::string> names, expected;
    for (char c = 'a'; c <= 'h'; ++c) {
      const std::string lower = std::string(1, c) + ".txt";
      const std::string upper = std::string(1, static_cast<char>(c - 32)) + ".TXT";
      for (const char* tree : {"src/", "cmp/"}) {
        WriteFile(dir / (tree + lower), "lower", kDay + 86400);
        WriteFile(dir / (tree + upper), "upper", kDay);
      }
      WriteFile(dir / ("src/" + upper), "UPPER", kDay + 43200);
      names.insert(names.end(), {lower, upper});
      expected.push_back("src/" + upper);
    }
    std::sort(expected.begin(), expected.end());
    if (archived) Jlha(dir, "a2", "UTC", names);
    ProgramResult run = DryRun(dir, "UTC");
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(Selected(run, dir.path()), expected);
  }
}

// A change made in the repeated hour has an earlier local time than the backup's copy:
// instants decide where both sides have one (plain files, level 2 members).
TEST(DecisionCliTest, AChangeInTheRepeatedHourIsSelected) {
  if (!testing_support::ProgramsTakeATimeZone()) {
    GTEST_SKIP() << "the time zone is the system's, not the program's";
  }
  for (bool archived : {false, true}) {
    SCOPED_TRACE(archived ? "level 2 archive" : "plain files");
    if (archived && !HaveJlha()) GTEST_SKIP() << "jlha is not installed: skipped";
    TempDir dir;
    WriteFile(dir / "src/changed.txt", "same", kAfter);
    WriteFile(dir / "cmp/changed.txt", "same", kBefore);
    WriteFile(dir / "src/kept.txt", "same", kBefore);
    WriteFile(dir / "cmp/kept.txt", "same", kAfter);
    if (archived) Jlha(dir, "a2", "America/New_York", {"changed.txt", "kept.txt"});
    ProgramResult run = DryRun(dir, kNewYork);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_THAT(Selected(run, dir.path()), ::testing::ElementsAre("src/changed.txt"));
  }
}

// Sizes past the signed and the unsigned 32-bit range: the first in the member record, the
// second in extended header 0x42. The files are sparse; the archive's data is a stand-in,
// as listing never unpacks it.
TEST(DecisionCliTest, MembersOf2GiBAndMoreMatchTheirFiles) {
  using unlha32::test::HeaderBuilder;
  TempDir dir;
  const std::uint64_t k3GiB = 3ull << 30, k5GiB = 5ull << 30;
  testing_support::MakeFolders(dir / "src");
  for (auto [name, size] : {std::pair{"three.bin", k3GiB}, std::pair{"five.bin", k5GiB}}) {
    const std::string path = dir / ("src/" + std::string(name));
    WriteFile(path, "");
    std::filesystem::resize_file(testing_support::PathOf(path), size);
    testing_support::SetMtime(path, kDay);
  }
  HeaderBuilder three{.original = static_cast<std::uint32_t>(k3GiB),
                      .stamp = static_cast<std::uint32_t>(kDay),
                      .name = "three.bin"};
  HeaderBuilder five{.stamp = static_cast<std::uint32_t>(kDay),
                     .name = "five.bin",
                     .exts = {{0x42, unlha32::test::LargeSizes(4, k5GiB)}}};
  unlha32::test::Bytes archive = unlha32::test::Archive({three.Build(), five.Build()});
  testing_support::MakeFolders(dir / "cmp");
  std::ofstream(testing_support::PathOf(dir / "cmp/big.lzh"), std::ios::binary)
      .write(reinterpret_cast<const char*>(archive.data()), static_cast<long>(archive.size()));

  ProgramResult run = DryRun(dir, "UTC");
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Selected(DryRun(dir, "UTC", {"--no-lha"}), dir.path()).size(), 2u);
}

}  // namespace
