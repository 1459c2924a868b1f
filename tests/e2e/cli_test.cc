// End-to-end tests: grebewick-cli on real temporary trees.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::HasSubstr;
using testing_support::Exists;
using testing_support::FilesBelow;
using testing_support::ProgramResult;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;

class CliTest : public ::testing::Test {
 protected:
  ProgramResult Cli(std::vector<std::string> arguments, const std::string& prefix = "") {
    arguments.insert(arguments.begin(), GREBEWICK_CLI);
    return RunProgram(arguments, "", prefix);
  }
  std::vector<std::string> Job(std::vector<std::string> extra = {}) {
    std::vector<std::string> job = {"--dest",    dir_ / "out", "--source", dir_ / "src",
                                    "--compare", dir_ / "cmp", "--date",   "20001231"};
    job.insert(job.end(), extra.begin(), extra.end());
    return job;
  }
  // Where a file below the source folder lands.
  std::string Out(const std::string& relative) const {
    return dir_ / ("out/20001231" + dir_.path() + "/src/" + relative);
  }

  TempDir dir_;
};

TEST_F(CliTest, CopiesNewAndChangedFilesIntoTheDateFolder) {
  WriteFile(dir_ / "src/new.txt", "new", kT);
  WriteFile(dir_ / "src/sub/changed.txt", "changed", kT + 60);
  WriteFile(dir_ / "cmp/sub/changed.txt", "old", kT);
  WriteFile(dir_ / "src/Readme.txt", "same", kT);
  WriteFile(dir_ / "cmp/README.TXT", "same", kT);

  ProgramResult dry = Cli(Job({"--dry-run"}));
  EXPECT_EQ(dry.exit_status, 0) << dry.err;
  EXPECT_EQ(dry.out, dir_ / "src/sub/changed.txt" + "\t" + Out("sub/changed.txt") + "\n" +
                         dir_ / "src/new.txt" + "\t" + Out("new.txt") + "\n");
  EXPECT_FALSE(Exists(dir_ / "out"));

  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(FilesBelow(dir_ / "out/20001231" + dir_.path() + "/src"),
            (std::vector<std::string>{"new.txt", "sub/changed.txt"}));
  EXPECT_EQ(ReadFile(Out("sub/changed.txt")), "changed");
  EXPECT_THAT(run.err, HasSubstr("2 of 2 files copied"));
}

TEST_F(CliTest, NothingToCopyIsReportedAndCreatesNothing) {
  WriteFile(dir_ / "src/same", "s", kT);
  WriteFile(dir_ / "cmp/same", "s", kT);
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_THAT(run.err, HasSubstr("対象検索結果: コピー対象となるファイルはありません。"));
  EXPECT_FALSE(Exists(dir_ / "out"));
  EXPECT_EQ(Cli(Job({"--quiet"})).err, "");
}

TEST_F(CliTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Cli({"--frobnicate"}).exit_status, 2);
  EXPECT_EQ(Cli({"--dest", "d"}).exit_status, 2);
  EXPECT_EQ(Cli({"--source", "s"}).exit_status, 2);
  EXPECT_EQ(Cli({"--dest", "d", "--compare", "c", "--source", "s"}).exit_status, 2);
  EXPECT_EQ(Cli({"--dest", "d", "--source", "s", "--compare", "c", "--compare", "e"}).exit_status,
            2);
  EXPECT_EQ(Cli({"--dest", "d", "--source", "s", "--date", "20011301"}).exit_status, 2);
  EXPECT_EQ(Cli({"--dest", "d", "--source", "s", "--yes", "--no"}).exit_status, 2);
  ProgramResult help = Cli({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_THAT(help.out, HasSubstr("Exit status"));
}

TEST_F(CliTest, EachCompareBelongsToTheSourceBeforeIt) {
  WriteFile(dir_ / "a/f", "a", kT);
  WriteFile(dir_ / "b/f", "b", kT);
  WriteFile(dir_ / "cmp/f", "a", kT);
  ProgramResult dry = Cli({"--dest", dir_ / "out", "--source", dir_ / "a", "--source", dir_ / "b",
                           "--compare", dir_ / "cmp", "--date", "20001231", "--dry-run"});
  EXPECT_EQ(dry.exit_status, 0);
  // a has no comparison: copied. b's f has the same size and time as cmp/f: skipped.
  EXPECT_EQ(dry.out, dir_ / "a/f" + "\t" + dir_ / "out/20001231" + dir_.path() + "/a/f\n");
}

TEST_F(CliTest, RelativeAndDottedSourcesStayBelowTheDateFolder) {
  WriteFile(dir_ / "src/f", "f", kT);
  ProgramResult run = Cli({"--dest", dir_ / "out", "--source", dir_ / "src/../src/.", "--compare",
                           "none", "--date", "20001231", "--dry-run"});
  EXPECT_EQ(run.out, dir_ / "src/f" + "\t" + Out("f") + "\n");
}

TEST_F(CliTest, NamesThatAreNotUtf8AreCopiedByteExact) {
  const std::string name = "caf\xE9 \x83\x5C.txt";
  WriteFile(dir_ / ("src/" + name), "bytes", kT);
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFile(Out(name)), "bytes");
}

TEST_F(CliTest, LinksToFilesAreCopiedAndLinksToFoldersAreNotWalked) {
  WriteFile(dir_ / "src/real.txt", "real", kT);
  ::symlink((dir_ / "src/real.txt").c_str(), (dir_ / "src/link.txt").c_str());
  ::symlink((dir_ / "src").c_str(), (dir_ / "src/loop").c_str());
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(FilesBelow(dir_ / "out/20001231" + dir_.path() + "/src"),
            (std::vector<std::string>{"link.txt", "real.txt"}));
}

TEST_F(CliTest, AMissingSourceFolderIsWarnedAboutAndCounted) {
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("warning: source folder " + dir_ / "src" + " does not exist"));
}

}  // namespace
