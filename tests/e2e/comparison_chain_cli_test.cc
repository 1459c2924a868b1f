// grebewick-cli over a chain of three daily runs: a full backup, then runs compared with the
// earlier date folders (--incremental, or --previous naming them), the first backup kept as
// plain files or packed into an LZH archive by an independent archiver (jlha).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <tuple>

#include "platform/path_rules.h"
#include "tests/support/platform_paths.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FilesBelow;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 1577934246;  // 2020-01-02 03:04:06 UTC, an even second

// How the later runs name their comparison, and how the first backup is kept: "plain", or
// packed by jlha with its options ("a1": header level 1, "a2": level 2).
using Chain = std::tuple<std::string, std::string>;

class ComparisonChainCliTest : public ::testing::TestWithParam<Chain> {
 protected:
  void SetUp() override {
    if (Packing() != "plain" && std::system("command -v jlha >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "jlha is not installed: skipped";
    }
    testing_support::MakeFolders(dir_ / "D");
  }
  std::string Mode() const { return std::get<0>(GetParam()); }
  std::string Packing() const { return std::get<1>(GetParam()); }

  // The source's folder inside the date folder `day`: the source's path without its root name.
  std::string Backup(const std::string& day) const {
    const std::string source = dir_ / "src";
    return dir_ / ("D/" + day) + source.substr(platform::RootNameLength(source));
  }

  // Runs the day's backup and returns the files it copied, relative to the source (in lower
  // case where names ignore it: Windows upper-cases changed names and deeper folders).
  std::vector<std::string> RunDay(const std::string& day, std::vector<std::string> earlier,
                                  bool dry_run = false) {
    std::vector<std::string> arguments = {GREBEWICK_CLI, "--dest", dir_ / "D", "--source",
                                          dir_ / "src",  "--date", day,        "--quiet"};
    if (dry_run) arguments.push_back("--dry-run");
    // Archives in a backup are read only when asked for: they could be the user's own.
    if (Packing() != "plain") arguments.push_back("--archives-in-backups");
    if (Mode() == "incremental") {
      arguments.push_back("--incremental");
    } else {
      for (const std::string& folder : earlier) {
        arguments.insert(arguments.end(), {"--previous", dir_ / ("D/" + folder)});
      }
    }
    ProgramResult run = RunProgram(testing_support::InTimeZone("UTC", arguments));
    EXPECT_EQ(run.exit_status, 0) << run.err;
    std::vector<std::string> files;
    if (dry_run) {
      // The sources the run would copy, relative to the source folder.
      const std::string source = dir_ / "src";
      std::istringstream lines(run.out);
      for (std::string line; std::getline(lines, line);) {
        files.push_back(testing_support::Canonical(
            line.substr(source.size() + 1, line.find('\t') - source.size() - 1)));
      }
      return files;
    }
    for (const std::string& file : FilesBelow(Backup(day))) {
      files.push_back(testing_support::Canonical(file));
    }
    return files;
  }

  // Replaces the plain files of a backup with one archive of them, stored as src/..., so
  // that the stored folders match the source folders' ends.
  void Pack(const std::string& day) {
    const std::string parent = fs::path(Backup(day)).parent_path().string();
    std::string command = "cd '" + parent + "' && TZ=UTC jlha " + Packing() + " src/full.lzh";
    for (const std::string& file : FilesBelow(Backup(day))) command += " src/" + file;
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    for (const std::string& file : FilesBelow(Backup(day))) {
      if (file != "full.lzh") fs::remove(Backup(day) + "/" + file);
    }
    fs::remove(Backup(day) + "/sub");
  }

  TempDir dir_;
};

TEST_P(ComparisonChainCliTest, EachDayCopiesExactlyWhatChangedSinceTheLastBackupHoldingIt) {
  WriteFile(dir_ / "src/a.txt", "alpha", kT);
  WriteFile(dir_ / "src/b.txt", "bravo", kT);
  WriteFile(dir_ / "src/sub/c.txt", "charlie", kT);
  WriteFile(dir_ / "src/sub/d.txt", "delta", kT);
  EXPECT_THAT(RunDay("20250101", {}),
              ::testing::ElementsAre("a.txt", "b.txt", "sub/c.txt", "sub/d.txt"));
  if (Packing() != "plain") Pack("20250101");

  WriteFile(dir_ / "src/a.txt", "alpha, longer", kT + 600);
  WriteFile(dir_ / "src/sub/e.txt", "echo", kT);
  EXPECT_THAT(RunDay("20250102", {"20250101"}), ::testing::ElementsAre("a.txt", "sub/e.txt"));

  // a.txt and e.txt are held by the second backup only; c.txt changed keeping its size.
  WriteFile(dir_ / "src/sub/c.txt", "CHARLIE", kT + 1200);
  EXPECT_THAT(RunDay("20250103", {"20250102", "20250101"}), ::testing::ElementsAre("sub/c.txt"));

  // A second run on the same day: --incremental counts the day's own backup as the newest,
  // so only what changed since the first run is copied; --previous compares with what it
  // names.
  WriteFile(dir_ / "src/b.txt", "BRAVO", kT + 1800);
  if (Mode() == "incremental") {
    EXPECT_THAT(RunDay("20250103", {}, true), ::testing::ElementsAre("b.txt"));
  } else {
    EXPECT_THAT(RunDay("20250103", {"20250102", "20250101"}, true),
                ::testing::UnorderedElementsAre("b.txt", "sub/c.txt"));
  }
}

INSTANTIATE_TEST_SUITE_P(Chains, ComparisonChainCliTest,
                         ::testing::Combine(::testing::Values("incremental", "previous"),
                                            ::testing::Values("plain", "a1", "a2")),
                         [](const ::testing::TestParamInfo<Chain>& info) {
                           return std::string(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param);
                         });

TEST(ComparisonChainUsageTest, ChainsDoNotMixWithCompareAndMissingBackupsAreWarnedAbout) {
  TempDir dir;
  testing_support::MakeFolders(dir / "src");
  testing_support::MakeFolders(dir / "D/20250101");
  auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> arguments = {GREBEWICK_CLI, "--dest", dir / "D",  "--source",
                                          dir / "src",   "--date", "20250102", "--dry-run"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunProgram(arguments);
  };
  EXPECT_EQ(run({"--compare", "none", "--incremental"}).exit_status, 2);
  EXPECT_EQ(run({"--incremental", "--previous", dir / "D/20250101"}).exit_status, 2);
  // A backup that is not there is treated as a --compare folder that is not: everything is
  // copied, with a warning.
  ProgramResult missing = run({"--previous", dir / "D/20241231"});
  EXPECT_EQ(missing.exit_status, 0);
  EXPECT_THAT(missing.err, ::testing::HasSubstr("warning: comparison folder " +
                                                (dir / "D/20241231") + " does not exist"));
  // The destination given as if it were a date folder: nothing of the source below it.
  ProgramResult wrong = run({"--previous", dir / "D"});
  EXPECT_EQ(wrong.exit_status, 0);
  EXPECT_THAT(wrong.err, ::testing::HasSubstr("warning: no earlier backup holds"));
}

}  // namespace
