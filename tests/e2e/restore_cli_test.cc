// grebewick-cli's records, --verify and --restore on a chain of real backups: five days of
// changes, each day restored and compared with the source as it was that day.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "engine/job.h"
#include "tests/e2e/restore_support.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kDay = 1577836800;  // 2020-01-01 00:00:00 UTC

using restore_test::Cli;
using restore_test::FileState;
using restore_test::Snapshot;
using restore_test::Take;
using restore_test::Write;

class RestoreCliTest : public ::testing::Test {
 protected:
  std::string Source() const { return dir_ / "src"; }
  std::string Dest() const { return dir_ / "D"; }

  // One day's backup of the source into the chain.
  void BackUp(const std::string& date) {
    ProgramResult run = Cli({"--dest", Dest(), "--mkpath", "--source", Source(), "--date", date,
                             "--incremental", "--quiet"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    days_[date] = Take(Source());
  }

  // Where `root` stands inside the restore folder `to` (its full path below it).
  std::string Restored(const std::string& to) const {
    return engine::BelowDateFolder(to, Source());
  }

  // Five days of changes: edits, a rename, a move, a deletion, a file re-created with an
  // older time, a name holding a line break.
  void MakeChain() {
    const std::string s = Source();
    Write(s + "/a.txt", "day one", kDay);
    Write(s + "/docs/b.txt", "private", kDay, 0600);
    Write(s + "/keep/run.sh", "#!/bin/sh\n", kDay, 0755);
    Write(s + "/old.txt", "old", kDay);
    BackUp("20250101");

    Write(s + "/a.txt", "day two!", kDay + 86400);
    fs::rename(s + "/docs/b.txt", s + "/docs/b2.txt");
    Write(s + "/new\nline.txt", "newline", kDay + 86400, 0640);
    BackUp("20250102");

    fs::create_directories(s + "/moved");
    fs::rename(s + "/keep/run.sh", s + "/moved/run.sh");
    fs::remove(s + "/old.txt");
    Write(s + "/a.txt", "day three", kDay + 2 * 86400);
    BackUp("20250103");

    Write(s + "/old.txt", "back again", kDay - 86400);
    BackUp("20250104");

    Write(s + "/new\nline.txt", "newline, edited", kDay + 4 * 86400, 0600);
    fs::remove(s + "/docs/b2.txt");
    BackUp("20250105");
  }

  TempDir dir_;
  std::map<std::string, Snapshot> days_;
};

TEST_F(RestoreCliTest, EveryDayOfAChainComesBackAsItWasThatDay) {
  MakeChain();
  for (const auto& [date, snapshot] : days_) {
    SCOPED_TRACE(date);
    const std::string to = dir_ / ("R" + date);
    ProgramResult run = Cli({"--restore", "--dest", Dest(), "--to", to, "--as-of", date});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(Take(Restored(to)), snapshot);
  }
  // The newest day by default; a dry run lists and writes nothing.
  ProgramResult dry = Cli({"--restore", "--dest", Dest(), "--to", dir_ / "dry", "-n"});
  ASSERT_EQ(dry.exit_status, 0) << dry.err;
  EXPECT_THAT(dry.out, HasSubstr("20250105/"));
  EXPECT_THAT(dry.out, HasSubstr("20250104/"));
  EXPECT_FALSE(testing_support::Exists(dir_ / "dry"));
  ProgramResult latest = Cli({"--restore", "--dest", Dest(), "--to", dir_ / "latest"});
  ASSERT_EQ(latest.exit_status, 0) << latest.err;
  EXPECT_EQ(Take(Restored(dir_ / "latest")), days_["20250105"]);
  // Only the files a pattern names.
  ProgramResult some =
      Cli({"--restore", "--dest", Dest(), "--to", dir_ / "some", "--as-of", "20250102", "*.txt"});
  ASSERT_EQ(some.exit_status, 0) << some.err;
  EXPECT_EQ(testing_support::FilesBelow(Restored(dir_ / "some")),
            (std::vector<std::string>{"a.txt", "docs/b2.txt", "new\nline.txt", "old.txt"}));
}

TEST_F(RestoreCliTest, EachRecordIsWhatSha256sumChecksAndVerifyFindsEveryFault) {
  MakeChain();
  for (const auto& [date, snapshot] : days_) {
    ProgramResult check =
        RunProgram({"/bin/sh", "-c", "cd \"$1\" && sha256sum --strict -c .grebewick/SHA256SUMS",
                    "sh", Dest() + "/" + date});
    EXPECT_EQ(check.exit_status, 0) << date << check.out << check.err;
  }
  ProgramResult intact = Cli({"--verify", "--dest", Dest()});
  EXPECT_EQ(intact.exit_status, 0) << intact.err;
  EXPECT_THAT(intact.err, HasSubstr("0 missing, 0 damaged"));

  const std::string day1 = engine::BelowDateFolder(Dest() + "/20250101", Source());
  const std::string day2 = engine::BelowDateFolder(Dest() + "/20250102", Source());
  {
    fs::permissions(day1 + "/docs/b.txt", fs::perms::owner_all);
    std::fstream flip(day1 + "/docs/b.txt", std::ios::in | std::ios::out | std::ios::binary);
    flip.seekp(3);
    flip.put('X');
  }
  fs::resize_file(day2 + "/a.txt", 3);
  fs::remove(day2 + "/new\nline.txt");
  ProgramResult damaged = Cli({"--verify", "--dest", Dest()});
  EXPECT_EQ(damaged.exit_status, 1);
  EXPECT_THAT(damaged.err, HasSubstr("docs/b.txt: damaged"));
  EXPECT_THAT(damaged.err, HasSubstr("20250102" + Source() + "/a.txt: damaged"));
  EXPECT_THAT(damaged.err, HasSubstr("new?line.txt: missing"));
  EXPECT_THAT(damaged.err, HasSubstr("1 missing, 2 damaged"));
  // One date folder alone: only its own faults.
  ProgramResult one = Cli({"--verify", Dest() + "/20250101"});
  EXPECT_EQ(one.exit_status, 1);
  EXPECT_THAT(one.err, HasSubstr("0 missing, 1 damaged"));
  EXPECT_EQ(Cli({"--verify", Dest() + "/20250103"}).exit_status, 0);
  // A restore that needs the missing copy says so.
  ProgramResult restore =
      Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R", "--as-of", "20250102"});
  EXPECT_EQ(restore.exit_status, 1);
  EXPECT_THAT(restore.err, HasSubstr("no date folder up to it holds a copy"));
}

TEST_F(RestoreCliTest, ASecondRunOnTheSameDayUpdatesTheRecord) {
  Write(Source() + "/a.txt", "first", kDay);
  Write(Source() + "/b.txt", "stays", kDay);
  Write(Source() + "/c.txt", "deleted later", kDay);
  BackUp("20250101");
  // A run that copies nothing still records that c.txt is gone.
  fs::remove(Source() + "/c.txt");
  BackUp("20250101");
  EXPECT_THAT(testing_support::ReadFile(Dest() + "/20250101/.grebewick/files"),
              Not(HasSubstr("c.txt")));
  Write(Source() + "/a.txt", "second run", kDay + 60);
  fs::remove(Source() + "/b.txt");
  BackUp("20250101");
  const std::string sums = testing_support::ReadFile(Dest() + "/20250101/.grebewick/SHA256SUMS");
  EXPECT_EQ(std::count(sums.begin(), sums.end(), '\n'), 3) << sums;
  EXPECT_EQ(RunProgram({"/bin/sh", "-c", "cd \"$1\" && sha256sum -c .grebewick/SHA256SUMS", "sh",
                        Dest() + "/20250101"})
                .exit_status,
            0);
  const std::string files = testing_support::ReadFile(Dest() + "/20250101/.grebewick/files");
  EXPECT_THAT(files, HasSubstr("\t" + std::to_string(kDay + 60) + "\t"));
  EXPECT_THAT(files, Not(HasSubstr("b.txt")));
  ProgramResult run = Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(Take(Restored(dir_ / "R")), days_["20250101"]);
}

TEST_F(RestoreCliTest, NothingIsWrittenThroughALinkOrOverAFile) {
  Write(Source() + "/a.txt", "a", kDay);
  Write(Source() + "/sub/b.txt", "b", kDay);
  BackUp("20250101");
  // The restore folder holds a link where the first folder of the source's path goes.
  const std::string to = dir_ / "R";
  const std::string outside = dir_ / "outside";
  fs::create_directories(to);
  fs::create_directories(outside);
  const std::string first = fs::path(Source()).begin()->string() == "/"
                                ? (++fs::path(Source()).begin())->string()
                                : fs::path(Source()).begin()->string();
  fs::create_directory_symlink(outside, to + "/" + first);
  ProgramResult run = Cli({"--restore", "--dest", Dest(), "--to", to});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("not a folder"));
  EXPECT_TRUE(testing_support::FilesBelow(outside).empty());

  // A file already there stays as it is; the others are restored.
  const std::string again = dir_ / "again";
  Write(Restored(again) + "/a.txt", "mine", kDay + 5);
  run = Cli({"--restore", "--dest", Dest(), "--to", again});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("not replaced"));
  EXPECT_EQ(testing_support::ReadFile(Restored(again) + "/a.txt"), "mine");
  EXPECT_EQ(testing_support::ReadFile(Restored(again) + "/sub/b.txt"), "b");
}

TEST_F(RestoreCliTest, AChainWithoutRecordsRestoresEveryFileFoundAndSaysSo) {
  Write(Source() + "/a.txt", "one", kDay);
  Write(Source() + "/gone.txt", "gone", kDay);
  BackUp("20250101");
  Write(Source() + "/a.txt", "two!", kDay + 86400);
  fs::remove(Source() + "/gone.txt");
  BackUp("20250102");
  // As the window's backups and those of older versions are.
  fs::remove_all(Dest() + "/20250101/.grebewick");
  fs::remove_all(Dest() + "/20250102/.grebewick");
  ProgramResult run = Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("holds no record of its run"));
  Snapshot expected = days_["20250102"];
  expected["gone.txt"] = FileState{"gone", kDay, 0644};
  EXPECT_EQ(Take(Restored(dir_ / "R")), expected);
  ProgramResult verify = Cli({"--verify", Dest() + "/20250102"});
  EXPECT_EQ(verify.exit_status, 1);
  EXPECT_THAT(verify.err, HasSubstr("no record"));
}

TEST_F(RestoreCliTest, OneSourceOfSeveralAndUsageErrors) {
  Write(dir_ / "one/a.txt", "a", kDay);
  Write(dir_ / "two/b.txt", "b", kDay);
  ProgramResult run = Cli({"--dest", Dest(), "--mkpath", "--source", dir_ / "one", "--source",
                           dir_ / "two", "--date", "20250101", "--quiet"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  run = Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R", "--source", dir_ / "two"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(testing_support::FilesBelow(dir_ / "R"),
            std::vector<std::string>{engine::BelowDateFolder("", dir_ / "two/b.txt").substr(1)});
  run = Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R3", "--source", dir_ / "three"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("not a source"));
  EXPECT_EQ(Cli({"--restore", "--dest", Dest()}).exit_status, 2);
  EXPECT_EQ(Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R", "--as-of", "2025"}).exit_status,
            2);
  EXPECT_EQ(Cli({"--verify"}).exit_status, 2);
  EXPECT_EQ(
      Cli({"--restore", "--dest", Dest(), "--to", dir_ / "R2", "--as-of", "20241231"}).exit_status,
      1);
}

}  // namespace
