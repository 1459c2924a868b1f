// grebewick-cli --restore on a chain whose date folders were packed into LZH archives after
// their runs: the archives hold files where the chain's runs read them, and only there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "engine/job.h"
#include "tests/e2e/restore_support.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/unlha32/header_builder.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;
using unlha32::test::Bytes;

constexpr std::int64_t kDay = 1577836800;  // 2020-01-01 00:00:00 UTC

using restore_test::Cli;
using restore_test::FileState;
using restore_test::Snapshot;
using restore_test::StateOf;
using restore_test::Take;
using restore_test::Write;

void Save(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// A stored (-lh0-) level 2 member as LHa for UNIX writes one: its folder, Unix time and
// permission bits in extended headers.
Bytes Member(const std::string& folder, const std::string& name, const FileState& state) {
  Bytes mode;
  unlha32::test::Put(mode, 0100000 | state.mode, 2);
  const Bytes data = unlha32::test::B(state.content);
  unlha32::test::HeaderBuilder header{.method = "-lh0-",
                                      .data = state.content,
                                      .original = static_cast<std::uint32_t>(state.content.size()),
                                      .stamp = static_cast<std::uint32_t>(state.mtime),
                                      .name = name,
                                      .data_crc = unlha32::Crc16(data),
                                      .os = 'U',
                                      .exts = {{0x50, mode}}};
  if (!folder.empty()) {
    std::string field = folder + "/";
    for (char& c : field) {
      if (c == '/') c = '\xFF';
    }
    header.exts.push_back({0x02, unlha32::test::B(field)});
  }
  return header.Build();
}

class RestoreArchivesCliTest : public ::testing::Test {
 protected:
  // Members unpacked without permission bits would get the default ones less the umask.
  void SetUp() override { old_umask_ = ::umask(022); }
  void TearDown() override { ::umask(old_umask_); }

  std::string Source() const { return dir_ / "src"; }
  std::string Dest() const { return dir_ / "D"; }
  // The source's backup inside the date folder `date`.
  std::string Backup(const std::string& date) const {
    return engine::BelowDateFolder(Dest() + "/" + date, Source());
  }
  std::string Restored(const std::string& to) const {
    return engine::BelowDateFolder(to, Source());
  }

  void BackUp(const std::string& date) {
    ProgramResult run = Cli({"--dest", Dest(), "--mkpath", "--source", Source(), "--date", date,
                             "--incremental", "--archives-in-backups", "--quiet"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    days_[date] = Take(Source());
  }

  // Packs the copies `files` (relative to the source) of the day's backup into the archive
  // `archive` there, stored as "src/...", and removes them as plain files; returns where
  // each member's data begins in the archive.
  std::map<std::string, std::size_t> Pack(const std::string& date, const std::string& archive,
                                          const std::vector<std::string>& files) {
    Bytes bytes;
    std::map<std::string, std::size_t> data_at;
    for (const std::string& file : files) {
      const std::string copy = Backup(date) + "/" + file;
      const fs::path relative = fs::path("src") / file;
      const Bytes member =
          Member(relative.parent_path().string(), relative.filename().string(), StateOf(copy));
      data_at[file] = bytes.size() + member.size() - testing_support::ReadFile(copy).size();
      bytes.insert(bytes.end(), member.begin(), member.end());
      fs::remove(copy);
    }
    bytes.push_back(0);
    Save(Backup(date) + "/" + archive, bytes);
    return data_at;
  }

  ProgramResult Restore(const std::string& to, const std::string& date,
                        std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"--restore", "--dest", Dest(), "--to", to};
    if (!date.empty()) arguments.insert(arguments.end(), {"--as-of", date});
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return Cli(arguments);
  }

  // Nothing of the restore's own is left below `to`.
  void ExpectOnlyRestored(const std::string& to) {
    for (const auto& entry : fs::recursive_directory_iterator(to)) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(".grebewick")) << entry.path();
    }
  }

  // Four days: edits, a rename, a move, a deletion, a file re-created with an older time,
  // and one of the user's own archives; the first and the second day packed after the runs
  // that came after them.
  void MakeChain() {
    const std::string s = Source();
    Write(s + "/a.txt", "day one", kDay);
    Write(s + "/docs/b.txt", "private", kDay, 0600);
    Write(s + "/keep/run.sh", "#!/bin/sh\n", kDay, 0755);
    Write(s + "/old.txt", "old", kDay);
    Write(s + "/new\nline.txt", "a line break", kDay);
    // A user's archive of a file named as a file of the backup's root folder.
    Save(s + "/mine.lzh",
         unlha32::test::Archive({Member("", "mine.txt", {"not a backup", kDay, 0644})}));
    testing_support::SetMtime(s + "/mine.lzh", kDay);
    BackUp("20250101");
    Pack("20250101", "packed.lzh", {"a.txt", "docs/b.txt", "old.txt", "new\nline.txt"});
    Pack("20250101", "keep/more.lzh", {"keep/run.sh"});

    Write(s + "/a.txt", "day two!", kDay + 86400);
    fs::rename(s + "/docs/b.txt", s + "/docs/b2.txt");
    Write(s + "/new.txt", "new", kDay + 86400, 0640);
    BackUp("20250102");

    fs::create_directories(s + "/moved");
    fs::rename(s + "/keep/run.sh", s + "/moved/run.sh");
    fs::remove(s + "/old.txt");
    Write(s + "/a.txt", "day three", kDay + 2 * 86400);
    BackUp("20250103");
    Pack("20250102", "day2.lzh", {"a.txt", "new.txt", "docs/b2.txt"});

    Write(s + "/old.txt", "back again", kDay - 86400);
    BackUp("20250104");
  }

  TempDir dir_;
  std::map<std::string, Snapshot> days_;
  mode_t old_umask_ = 0;
};

TEST_F(RestoreArchivesCliTest, EveryDayOfAPackedChainComesBackAsItWasThatDay) {
  MakeChain();
  // The run after the packing took the archives for backups: nothing unchanged was copied.
  EXPECT_FALSE(testing_support::Exists(Backup("20250102") + "/keep/run.sh"));
  for (const auto& [date, snapshot] : days_) {
    SCOPED_TRACE(date);
    const std::string to = dir_ / ("R" + date);
    ProgramResult run = Restore(to, date);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(Take(Restored(to)), snapshot);
    ExpectOnlyRestored(to);
  }
  // A dry run names a member by its archive and its stored path, and writes nothing.
  ProgramResult dry = Restore(dir_ / "dry", "20250102", {"-n"});
  ASSERT_EQ(dry.exit_status, 0) << dry.err;
  EXPECT_THAT(dry.out, HasSubstr(Backup("20250102") + "/day2.lzh/src/new.txt\t" +
                                 Restored(dir_ / "dry") + "/new.txt\n"));
  EXPECT_THAT(dry.out, HasSubstr(Backup("20250101") + "/keep/more.lzh/src/keep/run.sh\t"));
  EXPECT_FALSE(testing_support::Exists(dir_ / "dry"));
  // A part of the source, wherever in the source's backup the archive holding it lies.
  ProgramResult some = Restore(dir_ / "some", "20250102", {"--source", Source() + "/keep"});
  ASSERT_EQ(some.exit_status, 0) << some.err;
  EXPECT_EQ(testing_support::FilesBelow(Restored(dir_ / "some")),
            std::vector<std::string>{"keep/run.sh"});
}

TEST_F(RestoreArchivesCliTest, ArchivesHoldNothingWhereTheRecordSaysTheRunDidNotReadThem) {
  MakeChain();
  // As a run without --archives-in-backups records the day.
  const std::string record = Dest() + "/20250104/.grebewick/files";
  std::string text = testing_support::ReadFile(record);
  ASSERT_THAT(text, HasSubstr("read-archives\n"));
  text.erase(text.find("read-archives\n"), 14);
  fs::permissions(record, fs::perms::owner_read | fs::perms::owner_write);
  WriteFile(record, text);
  const std::string to = dir_ / "R";
  ProgramResult run = Restore(to, "20250104");
  EXPECT_EQ(run.exit_status, 1);
  // The files that only the second day's archive holds are missing; the user's own archive
  // is a file.
  EXPECT_THAT(run.err, HasSubstr("/src/new.txt: listed in the record of"));
  EXPECT_THAT(run.err, HasSubstr("/src/docs/b2.txt: listed in the record of"));
  EXPECT_THAT(run.err, Not(HasSubstr("/src/a.txt:")));
  const Snapshot day = days_["20250104"];
  EXPECT_EQ(Take(Restored(to)), (Snapshot{{"a.txt", day.at("a.txt")},
                                          {"mine.lzh", day.at("mine.lzh")},
                                          {"moved/run.sh", day.at("moved/run.sh")},
                                          {"old.txt", day.at("old.txt")}}));

  // A chain without records restores every file found, archives as the files they are.
  for (const char* date : {"20250101", "20250102", "20250103", "20250104"}) {
    fs::remove_all(Dest() + "/" + date + "/.grebewick");
  }
  ProgramResult bare = Restore(dir_ / "bare", "20250101");
  ASSERT_EQ(bare.exit_status, 0) << bare.err;
  EXPECT_EQ(testing_support::FilesBelow(Restored(dir_ / "bare")),
            (std::vector<std::string>{"keep/more.lzh", "mine.lzh", "packed.lzh"}));
}

// The record of a chain's first run, with nothing to compare yet, already says whether the
// chain reads its archives: the restore of that day depends on it.
TEST_F(RestoreArchivesCliTest, TheRecordSaysWhetherTheChainReadsArchivesFromItsFirstRun) {
  Write(Source() + "/a.txt", "a", kDay);
  const std::vector<std::pair<std::vector<std::string>, bool>> rows = {
      {{"--incremental", "--archives-in-backups"}, true},
      {{"--archives-in-backups"}, true},
      {{"--incremental"}, false},
      {{}, false},
      {{"--incremental", "--archives-in-backups", "--no-lha"}, false},
  };
  int n = 0;
  for (const auto& [options, reads] : rows) {
    const std::string dest = dir_ / ("D" + std::to_string(++n));
    std::vector<std::string> arguments = {"--dest", dest,     "--mkpath", "--source",
                                          Source(), "--date", "20250101", "--quiet"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    ProgramResult run = Cli(arguments);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(
        testing_support::ReadFile(dest + "/20250101/.grebewick/files").find("read-archives") !=
            std::string::npos,
        reads)
        << ::testing::PrintToString(options);
  }
}

TEST_F(RestoreArchivesCliTest, ADamagedMemberIsReportedAndTheRestStillComeBackOnTheRules) {
  const std::string s = Source();
  Write(s + "/a.txt", "alpha", kDay);
  Write(s + "/b.txt", "bravo", kDay);
  Write(s + "/sub/c.txt", "charlie", kDay);
  Write(s + "/sub/d.txt", "delta", kDay);
  Write(s + "/f.txt", "foxtrot", kDay);
  BackUp("20250101");
  const auto data_at = Pack("20250101", "packed.lzh", {"a.txt", "b.txt", "sub/c.txt", "sub/d.txt"});
  // A member stored from the root, and a read-only folder entry the library makes last:
  // the whole archive is unpacked, and still removed afterwards.
  Bytes mode;
  unlha32::test::Put(mode, 040555, 2);
  std::string folder = Source().substr(1) + "/ro/";
  for (char& c : folder) {
    if (c == '/') c = '\xFF';
  }
  const unlha32::test::HeaderBuilder read_only{
      .method = "-lhd-",
      .data = "",
      .original = 0,
      .stamp = static_cast<std::uint32_t>(kDay),
      .name = "",
      .data_crc = 0,
      .os = 'U',
      .exts = {{0x02, unlha32::test::B("\xFF" + folder)}, {0x50, mode}}};
  Save(Backup("20250101") + "/rooted.lzh",
       unlha32::test::Archive(
           {read_only.Build(), Member(Source(), "f.txt", StateOf(Backup("20250101") + "/f.txt"))}));
  fs::remove(Backup("20250101") + "/f.txt");
  // One byte of b.txt's data: its CRC no longer matches.
  const std::string archive = Backup("20250101") + "/packed.lzh";
  std::string bytes = testing_support::ReadFile(archive);
  bytes[data_at.at("b.txt") + 1] ^= 1;
  WriteFile(archive, bytes);
  // Two members of one path, the second the listed one: the library unpacks the first only.
  Write(s + "/e.txt", "echo", kDay);
  BackUp("20250102");
  fs::remove(Backup("20250102") + "/e.txt");
  Save(Backup("20250102") + "/twice.lzh",
       unlha32::test::Archive({Member("src", "e.txt", {"an older echo", kDay - 60, 0644}),
                               Member("src", "e.txt", {"echo", kDay, 0644})}));
  // A file already where sub/c.txt goes.
  const std::string to = dir_ / "R";
  Write(Restored(to) + "/sub/c.txt", "mine", kDay + 5);

  ProgramResult run = Restore(to, "");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("/src/b.txt: listed in the record of"));
  EXPECT_THAT(run.err, HasSubstr("packed.lzh (src/b.txt) could not be unpacked: CRC error"));
  EXPECT_THAT(run.err, HasSubstr("not replaced"));
  EXPECT_THAT(run.err, HasSubstr("(src/e.txt) could not be unpacked: an earlier member"));
  EXPECT_THAT(run.err, HasSubstr("3 of 6 files restored"));
  const Snapshot day = days_["20250101"];
  EXPECT_EQ(Take(Restored(to)), (Snapshot{{"a.txt", day.at("a.txt")},
                                          {"f.txt", day.at("f.txt")},
                                          {"sub/c.txt", {"mine", kDay + 5, 0644}},
                                          {"sub/d.txt", day.at("sub/d.txt")}}));
  ExpectOnlyRestored(to);

  // An archive that cannot be read at all hides what it holds: that is said, and its files
  // are missing.
  WriteFile(archive, "not an archive");
  run = Restore(dir_ / "R2", "");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("packed.lzh: is not a readable LZH archive"));
  EXPECT_THAT(run.err, HasSubstr("/src/a.txt: listed in the record of"));
}

// Packed by an independent archiver (jlha, which keeps times but no permission bits).
TEST_F(RestoreArchivesCliTest, AChainPackedByJlhaComesBack) {
  if (std::system("command -v jlha >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "jlha is not installed: skipped";
  }
  const std::string s = Source();
  Write(s + "/a.txt", "alpha", kDay);
  Write(s + "/sub/c.txt", "charlie", kDay + 2);
  BackUp("20250101");
  const std::string parent = fs::path(Backup("20250101")).parent_path().string();
  ASSERT_EQ(std::system(("cd '" + parent +
                         "' && TZ=UTC jlha a2 src/all.lzh src/a.txt src/sub/c.txt >/dev/null 2>&1")
                            .c_str()),
            0);
  fs::remove(Backup("20250101") + "/a.txt");
  fs::remove(Backup("20250101") + "/sub/c.txt");
  Write(s + "/a.txt", "alpha, longer", kDay + 600);
  BackUp("20250102");
  EXPECT_FALSE(testing_support::Exists(Backup("20250102") + "/sub/c.txt"));
  for (const auto& [date, snapshot] : days_) {
    SCOPED_TRACE(date);
    const std::string to = dir_ / ("R" + date);
    ProgramResult run = Restore(to, date);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const Snapshot restored = Take(Restored(to));
    ASSERT_EQ(restored.size(), snapshot.size());
    for (const auto& [file, state] : snapshot) {
      EXPECT_EQ(restored.at(file).content, state.content) << file;
      EXPECT_EQ(restored.at(file).mtime, state.mtime) << file;
    }
  }
}

}  // namespace
