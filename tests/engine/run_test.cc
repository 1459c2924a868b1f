#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "engine/common.h"
#include "engine/public_function.h"
#include "engine/run_record.h"
#include "engine/run_text.h"
#include "platform/message_box.h"
#include "platform/path_rules.h"
#include "platform/text.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/platform_paths.h"
#include "tests/support/scoped_time_zone.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace engine {
namespace {

using ::testing::ElementsAre;
using testing_support::Canonical;
using testing_support::FilesBelow;
using testing_support::JobCase;
using testing_support::Native;
using testing_support::ReadFile;
using testing_support::ScriptedHost;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;  // 2000-06-26 12:05:07 in the tests' zone
constexpr char kDate[] = "20001231";

// The names of a folder's files in the order the platform lists them.
std::vector<std::string> ListingOrder(const std::string& folder) {
  std::vector<std::string> names;
  platform::FileSystem::Default().List(folder, platform::ListWhat::kFiles, false,
                                       [&](const platform::ListedEntry& entry) {
                                         names.emplace_back(entry.name);
                                         return true;
                                       });
  return names;
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateFolderName = kDate;
    host_.destination = dir_ / "out";
  }

  std::string Src(const std::string& relative = "") const {
    return relative.empty() ? dir_ / "src" : dir_ / ("src/" + relative);
  }
  std::string Cmp(const std::string& relative = "") const {
    return relative.empty() ? dir_ / "cmp" : dir_ / ("cmp/" + relative);
  }
  // The run's name for a file below the job's folder `root`: where names ignore letter case
  // the job's folder is upper-cased, and a folder below the first level is upper-cased whole.
  static std::string Walked(const std::string& root, const std::string& relative) {
    std::string path = JobCase(root);
    std::size_t last = relative.rfind('/');
    if (last != std::string::npos) {
      std::string folders = relative.substr(0, last);
      path = path + platform::Separator() + Native(folders);
      if (folders.find('/') != std::string::npos) path = JobCase(path);
    }
    if (!relative.empty()) path += platform::Separator() + relative.substr(last + 1);
    return path;
  }
  std::string Listed(const std::string& relative = "") const { return Walked(Src(), relative); }
  // Where a file the run names `listed` lands.
  std::string OutOf(const std::string& listed) const {
    return OutRoot() + listed.substr(platform::RootNameLength(listed));
  }
  std::string Out(const std::string& relative) const { return OutOf(Listed(relative)); }
  std::string OutRoot() const { return dir_ / ("out/" + std::string(kDate)); }
  // Where a file below the source lands, relative to the destination folder, as FilesBelow
  // names it.
  std::string BelowOut(const std::string& relative) const {
    std::string below = Out(relative).substr((dir_ / "out").size() + 1);
    std::replace(below.begin(), below.end(), platform::Separator(), '/');
    return below;
  }
  // A changed file's name: upper-cased on disk too where names ignore letter case.
  static std::string Changed(const std::string& name) { return JobCase(name); }

  RunOutcome Run() {
    options_.file_system = &fs_;
    options_.stats = &stats_;
    return RunBackup(host_.job(), host_, options_);
  }

  // The copy list as "source -> destination" lines, without copying anything.
  std::vector<std::string> DryRun() {
    std::vector<std::string> items;
    options_.dry_run = [&](const std::string& source, const std::string& destination) {
      items.push_back(source + " -> " + destination);
    };
    Run();
    options_.dry_run = nullptr;
    return items;
  }

  std::string Item(const std::string& source_relative, const std::string& out_relative = "") {
    return Listed(source_relative) + " -> " +
           Out(out_relative.empty() ? source_relative : out_relative);
  }

  TempDir dir_;
  ScriptedHost host_;
  testing_support::FaultyFileSystem fs_;
  RunOptions options_;
  RunStats stats_;
};

TEST_F(RunTest, CopiesExactlyTheNewAndChangedFiles) {
  WriteFile(Src("new.txt"), "new", kT);
  WriteFile(Src("size.txt"), "longer", kT);
  WriteFile(Cmp("size.txt"), "short", kT);
  WriteFile(Src("newer.txt"), "same", kT + 2);
  WriteFile(Cmp("newer.txt"), "same", kT);
  WriteFile(Src("same.txt"), "same", kT);
  WriteFile(Cmp("same.txt"), "same", kT);
  WriteFile(Src("older.txt"), "same", kT - 60);  // an older source never replaces a backup
  WriteFile(Cmp("older.txt"), "same", kT);
  WriteFile(Src("sametime.txt"), "abc", kT);
  WriteFile(Cmp("sametime.txt"), "abcd", kT);
  WriteFile(Cmp("only-in-backup.txt"), "x", kT);
  // Names compare without regard to case, but files are touched by their stored names.
  WriteFile(Src("Readme.txt"), "changed", kT + 10);
  WriteFile(Cmp("readme.TXT"), "old", kT);
  WriteFile(Src("Same.TXT"), "same", kT);
  WriteFile(Cmp("same.txt"), "same", kT);
  host_.pairs = {{Src(), Cmp()}};

  // Where names ignore letter case, a changed file keeps the upper-cased name on disk.
  std::vector<std::string> copied = {Changed("Readme.txt"), "new.txt", Changed("newer.txt"),
                                     Changed("sametime.txt"), Changed("size.txt")};
  // Where they count, Same.TXT is a file of its own: the backup's same.txt is its twin's.
  if (platform::NamesAreCaseSensitive()) copied.push_back("Same.TXT");
  std::sort(copied.begin(), copied.end());
  std::vector<std::string> expected;
  for (const std::string& name : copied) expected.push_back(Item(name));
  std::vector<std::string> items = DryRun();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, expected);
  EXPECT_FALSE(testing_support::Exists(dir_ / "out"));  // a dry run creates nothing

  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_EQ(FilesBelow(OutOf(Listed())), copied);
  // The dialog names a changed file in upper case and a new one as listed.
  std::vector<std::string> shown = host_.EventsStartingWith("Label2=");
  EXPECT_NE(std::find(shown.begin(), shown.end(), "Label2=README.TXT"), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), "Label2=new.txt"), shown.end());
  EXPECT_EQ(ReadFile(Out("size.txt")), "longer");
  EXPECT_EQ(testing_support::Mtime(Out("newer.txt")), kT + 2);
  EXPECT_EQ(stats_.copied, static_cast<long>(copied.size()));
  EXPECT_EQ(host_.live_dialogs, 0);
  EXPECT_TRUE(host_.boxes.empty());
}

// A folder may hold files whose names differ only in case: each is judged against the
// backup's file of its exact name, and a name in another case is taken only when the exact
// one is missing (as DOS-era tools store names).
// Only a front end that asks for it (the terminal's) records the run; the window keeps the
// date folder to the copies.
TEST_F(RunTest, TheRecordHoldsEachCopysDigestAndEveryFileOnlyWhenAsked) {
  WriteFile(Src("abc.txt"), "abc", kT);
  WriteFile(Src("same.txt"), "same", kT);
  WriteFile(Cmp("same.txt"), "same", kT);
  host_.pairs = {{Src(), Cmp()}};
  ASSERT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_FALSE(testing_support::Exists(OutRoot() + platform::Separator() + kRecordFolder));

  options_.write_records = true;
  ASSERT_EQ(Run(), RunOutcome::kCompleted);
  RunRecord record;
  bool found = false;
  ASSERT_TRUE(ReadRunRecord(OutRoot(), &record, &found).ok());
  ASSERT_TRUE(found);
  const std::string abc = BelowOut("abc.txt").substr(std::string(kDate).size() + 1);
  ASSERT_EQ(record.sums.size(), 1u);
  EXPECT_EQ(record.sums[0].path, abc);
  EXPECT_EQ(record.sums[0].hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  ASSERT_EQ(record.sources.size(), 1u);
  std::vector<std::string> files;
  for (const RecordedFile& file : record.sources[0].files) {
    files.push_back(file.path.substr(file.path.rfind('/') + 1) + " " + std::to_string(file.size) +
                    " " + std::to_string(file.mtime));
  }
  std::sort(files.begin(), files.end());
  EXPECT_THAT(files,
              ElementsAre("abc.txt 3 " + std::to_string(kT), "same.txt 4 " + std::to_string(kT)));
}

TEST_F(RunTest, FilesThatDifferOnlyInCaseAreNeverTakenForEachOther) {
  std::vector<std::string> expected;
  for (char c = 'a'; c <= 'h'; ++c) {
    const std::string lower = std::string(1, c) + ".txt";
    const std::string upper = std::string(1, static_cast<char>(c - 32)) + ".TXT";
    WriteFile(Src(lower), "lower", kT + 86400);
    WriteFile(Cmp(lower), "lower", kT + 86400);
    WriteFile(Cmp(upper), "upper", kT);
    WriteFile(Src(upper), "UPPER", kT + 43200);  // changed, same size
    expected.push_back(Item(upper));
  }
  WriteFile(Src("dos.txt"), "old", kT);
  WriteFile(Cmp("DOS.TXT"), "old", kT);
  host_.pairs = {{Src(), Cmp()}};
  std::vector<std::string> items = DryRun();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, expected);
}

// In the hour that daylight saving repeats, a later instant has an earlier local time.
TEST_F(RunTest, TimesOfPlainFilesCompareAsInstants) {
  testing_support::ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  if (!zone.active()) GTEST_SKIP() << "the time zone is the system's, not the process's";
  WriteFile(Cmp("f"), "same", 1730613000);  // 2024-11-03 05:50 UTC, 01:50 EDT
  WriteFile(Src("f"), "same", 1730614200);  // 06:10 UTC, 01:10 EST
  WriteFile(Cmp("g"), "same", 1730614200);
  WriteFile(Src("g"), "same", 1730613000);
  host_.pairs = {{Src(), Cmp()}};
  EXPECT_EQ(DryRun(), std::vector<std::string>{Item("f")});
}

TEST_F(RunTest, CopyListFollowsPairsThenWalkOrderThenListingOrder) {
  WriteFile(Src("r1"), "x", kT);
  WriteFile(Src("r2"), "x", kT);
  WriteFile(Src("a/a1"), "x", kT);
  WriteFile(Src("a/deep/d1"), "x", kT);
  WriteFile(Cmp("a/deep/d1"), "x", kT);  // unchanged: not in the list
  WriteFile(Src("a/deep/d2"), "x", kT);
  // The second pair covers a/ again, with a trailing separator and a comparison folder that
  // does not exist: every file of it is new.
  host_.pairs = {{Src(), Cmp()}, {Src("a") + "/", Cmp("missing") + "/"}};

  const std::string second = Walked(Src("a"), "a1");
  std::vector<std::string> expected = {Item("a/a1"), Item("a/deep/d2")};
  for (const std::string& name : ListingOrder(Src())) expected.push_back(Item(name));
  for (const std::string& name : ListingOrder(Src("a/deep"))) {
    const std::string listed = Walked(Src("a"), "deep/" + name);
    expected.push_back(listed + " -> " + OutOf(listed));
  }
  expected.push_back(second + " -> " + OutOf(second));
  EXPECT_EQ(DryRun(), expected);

  host_.subfolders = false;
  expected.assign({});
  for (const std::string& name : ListingOrder(Src())) expected.push_back(Item(name));
  expected.push_back(second + " -> " + OutOf(second));
  EXPECT_EQ(DryRun(), expected);
}

TEST_F(RunTest, NothingToCopyShowsOnlyTheSearchResultAndCreatesNothing) {
  WriteFile(Src("same"), "s", kT);
  WriteFile(Cmp("same"), "s", kT);
  host_.pairs = {{Src(), Cmp()}};
  EXPECT_EQ(Run(), RunOutcome::kNothingToCopy);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "コピー対象となるファイルはありません。");
  EXPECT_EQ(host_.boxes[0].title, "対象検索結果");
  EXPECT_EQ(host_.boxes[0].flags, 64);
  EXPECT_FALSE(testing_support::Exists(dir_ / "out"));
  EXPECT_EQ(host_.events.back(), "Unload");
  EXPECT_EQ(fs_.flushes, 0);
}

TEST_F(RunTest, ProgressDialogShowsTheSearchThenCountsTheCopies) {
  WriteFile(Src("only.txt"), "1", kT);
  WriteFile(Src("a-folder-name-long-enough-to-be-cut/f"), "2", kT);
  host_.pairs = {{Src(), "なし"}};
  host_.destination = dir_ / "out/";  // a trailing separator is not doubled
  ASSERT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_EQ(DestinationRoot, dir_ / "out/20001231");

  std::vector<std::string> start(host_.events.begin(), host_.events.begin() + 12);
  EXPECT_THAT(start, ElementsAre("Load", "Caption=対象ファイル検索中", "Label1Visible=1",
                                 "Label2Visible=1", "Label2=しばらくお待ちください・・・", "Min=0",
                                 "Max=1", "Value=0", "Cancel=0", "Show", "DoEvents", "Cancel=1"));
  std::vector<std::string> captions = host_.EventsStartingWith("Label1=");
  const std::string long_folder = Listed("a-folder-name-long-enough-to-be-cut");
  const std::string shortened = "Label1=" + long_folder.substr(0, 10) + "･･･" +
                                long_folder.substr(long_folder.size() - 10) + Native("/");
  EXPECT_NE(std::find(captions.begin(), captions.end(), shortened), captions.end());
  EXPECT_THAT(host_.EventsStartingWith("Caption="),
              ElementsAre("Caption=対象ファイル検索中", "Caption=対象ファイルコピー中・・・"));
  std::vector<std::string> counts;
  for (const std::string& caption : captions) {
    if (caption.find("/2") != std::string::npos && caption.size() < 12) counts.push_back(caption);
  }
  EXPECT_THAT(counts, ElementsAre("Label1=0/2", "Label1=1/2"));
  EXPECT_EQ(host_.events.back(), "Unload");
  EXPECT_EQ(fs_.flushes, 1);  // made durable once, not per file
}

TEST_F(RunTest, ShortFolderCaptionsEndWithTheirSeparator) {
  TempDir short_dir;
  // Most temporary paths are too long for the short form; a relative one is not.
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  WriteFile(dir_ / "s/f", "1", kT);
  host_.pairs = {{"s", "c"}};
  DryRun();
  std::vector<std::string> captions = host_.EventsStartingWith("Label1=");
  EXPECT_THAT(captions, ElementsAre("Label1=" + JobCase("c") + Native("/"),
                                    "Label1=" + JobCase("s") + Native(" / ")));
  ASSERT_EQ(::chdir("/"), 0);
}

class CancelTest : public RunTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // The event after which the run reaches the check point under test.
  std::string PressAt() const {
    std::string point = GetParam();
    if (point == "catalogue") return "Show";
    if (point == "decision") return "Label1=" + FolderCaption(Listed(), Native(" / "));
    return "Label1=0/2";  // the copy phase's check after the first item
  }
};

// Presses cancel just before the check point, answers Yes, and checks that the run ends
// there by the normal end-of-run steps.
TEST_P(CancelTest, YesEndsTheRunAtTheNextCheck) {
  WriteFile(Src("f1"), "1", kT);
  WriteFile(Src("f2"), "2", kT);
  host_.pairs = {{Src(), Cmp()}};
  const std::string press_at = PressAt();
  bool pressed = false;
  host_.on_event = [&](const std::string& event) {
    if (!pressed && event == press_at) {
      pressed = true;
      CancelRequested = true;
    }
  };
  host_.answers = {platform::kAnswerYes};
  EXPECT_EQ(Run(), RunOutcome::kCancelled);
  EXPECT_TRUE(pressed);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "キャンセルして良いですか？");
  EXPECT_EQ(host_.boxes[0].title, "ｷｬﾝｾﾙ確認");
  EXPECT_EQ(host_.boxes[0].flags, 52);
  EXPECT_EQ(host_.events.back(), "Unload");
  if (std::string(GetParam()) == "copy") {
    EXPECT_EQ(FilesBelow(dir_ / "out").size(), 1u);  // what was copied before the check stays
  } else {
    EXPECT_FALSE(testing_support::Exists(dir_ / "out"));
    EXPECT_EQ(host_.EventsStartingWith("Caption=対象ファイルコピー中").size(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(CheckPoints, CancelTest,
                         ::testing::Values("catalogue", "decision", "copy"));

TEST_F(RunTest, NoContinuesWhereTheRunWasAndALaterPressAsksAgain) {
  WriteFile(Src("f1"), "1", kT);
  WriteFile(Src("f2"), "2", kT);
  host_.pairs = {{Src(), "なし"}};
  int presses = 0;
  host_.on_event = [&](const std::string& event) {
    // Two presses before the first check make one question; one more before the last copy.
    if (event == "Show" || (event == "DoEvents" && presses == 1) || event == "Label1=1/2") {
      ++presses;
      CancelRequested = true;
    }
  };
  host_.answers = {platform::kAnswerNo, platform::kAnswerNo};
  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_EQ(host_.BoxTitles(), (std::vector<std::string>{"ｷｬﾝｾﾙ確認", "ｷｬﾝｾﾙ確認"}));
  EXPECT_EQ(FilesBelow(OutOf(Listed())), (std::vector<std::string>{"f1", "f2"}));
  EXPECT_FALSE(CancelRequested);
}

TEST_F(RunTest, AFailedCopyAsksAndYesGoesOnWhileNoStops) {
  for (const char* name : {"a", "b", "c"}) WriteFile(Src(name), name, kT);
  host_.pairs = {{Src(), "なし"}};
  const std::vector<std::string> order = ListingOrder(Src());
  fs_.copy_fault = [&](const std::string& source, const std::string&) {
    return source == Listed(order[1]) ? platform::Status::Error(platform::kDiskFull, "write: full")
                                      : platform::Status::Ok();
  };

  host_.answers = {platform::kAnswerYes};
  EXPECT_EQ(Run(), RunOutcome::kCompletedWithFailures);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "ファイルのコピーに失敗しました。\r" + Listed(order[1]) +
                                     "\r残りのファイルをコピーしますか？");
  EXPECT_EQ(host_.boxes[0].title, "コピーエラー");
  EXPECT_EQ(host_.boxes[0].flags, 36);
  std::vector<std::string> copied = {order[0], order[2]};
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(FilesBelow(OutOf(Listed())), copied);
  EXPECT_EQ(stats_.failed, 1);
  EXPECT_THAT(host_.notes, ElementsAre("write: full"));

  TempDir second;
  host_ = ScriptedHost();
  host_.pairs = {{Src(), "なし"}};
  host_.destination = second.path();
  host_.answers = {platform::kAnswerNo};
  EXPECT_EQ(Run(), RunOutcome::kStoppedAfterFailure);
  EXPECT_EQ(FilesBelow(second.path()).size(), 1u);
  EXPECT_EQ(host_.events.back(), "Unload");
}

// The failure message names the file as the dialog's second line does.
TEST_F(RunTest, AFailedCopyIsNamedAsTheDialogShowedIt) {
  WriteFile(Src("Readme.txt"), "changed", kT + 10);
  WriteFile(Cmp("readme.TXT"), "old", kT);
  host_.pairs = {{Src(), Cmp()}};
  fs_.copy_fault = [](const std::string&, const std::string&) {
    return platform::Status::Error(platform::kPermissionDenied, "open: denied");
  };
  EXPECT_EQ(Run(), RunOutcome::kCompletedWithFailures);
  const std::vector<std::string> shown = host_.EventsStartingWith("Label2=");
  ASSERT_FALSE(shown.empty());
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "ファイルのコピーに失敗しました。\r" +
                                     Listed(shown.back().substr(7)) +
                                     "\r残りのファイルをコピーしますか？");
}

// A source written while it is copied: once, the copy is made again; every time, the copy
// fails like any other, with the reason in a note.
TEST_F(RunTest, ASourceChangedDuringItsCopyIsCopiedAgainOrFails) {
  WriteFile(Src("busy.log"), "start", kT);
  host_.pairs = {{Src(), "なし"}};
  for (int changes : {1, 2}) {
    host_ = ScriptedHost();
    host_.pairs = {{Src(), "なし"}};
    host_.destination = dir_ / ("out" + std::to_string(changes));
    int made = 0;
    fs_.during_copy = [&](const std::string& source) {
      if (made < changes) WriteFile(source, "line " + std::to_string(++made));
    };
    const std::string copy = dir_ / ("out" + std::to_string(changes) + "/" + kDate) +
                             Listed("busy.log").substr(platform::RootNameLength(Src()));
    if (changes == 1) {
      EXPECT_EQ(Run(), RunOutcome::kCompleted);
      EXPECT_EQ(ReadFile(copy), "line 1");
      EXPECT_TRUE(host_.boxes.empty());
    } else {
      EXPECT_EQ(Run(), RunOutcome::kCompletedWithFailures);
      EXPECT_EQ(host_.BoxTitles(), std::vector<std::string>{"コピーエラー"});
      ASSERT_EQ(host_.notes.size(), 1u);
      EXPECT_THAT(host_.notes[0], ::testing::HasSubstr("changed while it was copied"));
      EXPECT_EQ(FilesBelow(host_.destination), std::vector<std::string>{});
    }
  }
}

// A change that keeps the size and puts the modification time back (as some tools do) still
// shows in the change time: the copy is made again from the file as it is now.
TEST_F(RunTest, AChangeThatKeepsSizeAndTimeIsSeenByItsChangeTime) {
  if (platform::Separator() == '\\') GTEST_SKIP() << "POSIX change times";
  WriteFile(Src("same.bin"), "start", kT);
  host_.pairs = {{Src(), "なし"}};
  bool changed = false;
  fs_.during_copy = [&](const std::string& source) {
    if (!changed) WriteFile(source, "START", kT);
    changed = true;
  };
  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(Out("same.bin")), "START");
}

// A long copy lets window events run while it goes on, and a cancel pressed meanwhile is
// asked about at once: Yes abandons the copy, No lets it finish.
TEST_F(RunTest, ACancelDuringALongCopyIsConfirmedWithinIt) {
  WriteFile(Src("first"), "1", kT);
  WriteFile(Src("long"), std::string(3 << 20, 'l'), kT);
  host_.pairs = {{Src(), "なし"}};
  auto now = std::chrono::steady_clock::now();
  options_.clock = [&] { return now; };
  for (int answer : {platform::kAnswerNo, platform::kAnswerYes}) {
    host_ = ScriptedHost();
    host_.pairs = {{Src(), "なし"}};
    host_.destination = dir_ / ("out" + std::to_string(answer));
    host_.answers = {answer};
    int parts = 0;
    fs_.during_copy = [&](const std::string& source) {
      now += std::chrono::milliseconds(400);  // each part of the long copy takes a while
      if (source == Listed("long") && ++parts == 1) CancelRequested = true;
    };
    const RunOutcome outcome = Run();
    EXPECT_EQ(host_.BoxTitles(), std::vector<std::string>{"ｷｬﾝｾﾙ確認"});
    if (answer == platform::kAnswerNo) {
      EXPECT_GE(parts, 2);  // the copy went on
    } else {
      EXPECT_EQ(parts, 1);
    }
    // Window events ran between the parts, not only before the copy.
    auto shown = std::find(host_.events.begin(), host_.events.end(), "Label2=long");
    ASSERT_NE(shown, host_.events.end());
    EXPECT_GE(std::count(shown, host_.events.end(), "DoEvents"), 2);
    const std::vector<std::string> copied = FilesBelow(host_.destination);
    if (answer == platform::kAnswerNo) {
      EXPECT_EQ(outcome, RunOutcome::kCompleted);
      EXPECT_EQ(copied.size(), 2u);
    } else {
      EXPECT_EQ(outcome, RunOutcome::kCancelled);
      // What was copied before stays; the abandoned copy leaves nothing, not even its
      // temporary file.
      EXPECT_THAT(copied, ElementsAre(::testing::EndsWith("/first")));
    }
  }
}

// A request to end the program (SIGTERM, SIGHUP) ends the run as a confirmed cancel, without
// a question, abandoning a copy in progress; what was copied is still flushed.
TEST_F(RunTest, ARequestToEndTheProgramEndsTheRunWithoutAsking) {
  WriteFile(Src("a"), "a", kT);
  WriteFile(Src("b"), "b", kT);
  host_.pairs = {{Src(), "なし"}};
  const std::vector<std::string> order = ListingOrder(Src());
  fs_.during_copy = [&](const std::string& source) {
    if (source == Listed(order[1])) AbortRequested = true;
  };
  EXPECT_EQ(Run(), RunOutcome::kCancelled);
  AbortRequested = false;
  EXPECT_TRUE(host_.boxes.empty());
  EXPECT_EQ(FilesBelow(dir_ / "out"), std::vector<std::string>{BelowOut(order[0])});
  EXPECT_EQ(fs_.flushes, 1);
  EXPECT_EQ(host_.events.back(), "Unload");
}

// Without a destination text the date folder would land at the top of the file system.
TEST_F(RunTest, AnEmptyDestinationIsRefused) {
  WriteFile(Src("f"), "1", kT);
  host_.pairs = {{Src(), "なし"}};
  host_.destination = "";
  EXPECT_EQ(Run(), RunOutcome::kDestinationRefused);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "コピー先の指定が間違っています。");
  EXPECT_EQ(host_.boxes[0].title, "フォルダ指定エラー");
  EXPECT_FALSE(testing_support::Exists("/" + std::string(kDate)));
}

TEST_F(RunTest, AFileThatVanishesBeforeItsCopyIsReportedAlone) {
  WriteFile(Src("stays"), "s", kT);
  WriteFile(Src("vanishes"), "v", kT);
  host_.pairs = {{Src(), "なし"}};
  host_.on_event = [&](const std::string& event) {
    if (event == "Caption=対象ファイルコピー中・・・") ::unlink(Src("vanishes").c_str());
  };
  EXPECT_EQ(Run(), RunOutcome::kCompletedWithFailures);  // the default answer goes on
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_NE(host_.boxes[0].text.find(Listed("vanishes")), std::string::npos);
  EXPECT_EQ(FilesBelow(OutOf(Listed())), std::vector<std::string>{"stays"});
}

TEST_F(RunTest, ADestinationThatCannotBeCreatedEndsTheRunBeforeAnyCopy) {
  WriteFile(Src("f"), "1", kT);
  WriteFile(dir_ / "out", "a file where the destination should be");
  host_.pairs = {{Src(), "なし"}};
  EXPECT_EQ(Run(), RunOutcome::kDestinationRefused);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "フォルダが作成できませんでした。\r処理を中止します。");
  EXPECT_EQ(host_.boxes[0].title, "フォルダ作成エラー");
  EXPECT_EQ(host_.boxes[0].flags, 48);
  EXPECT_EQ(host_.events.back(), "Unload");
}

TEST_F(RunTest, TwoRunsOnOneDayFillTheSameDateFolder) {
  WriteFile(Src("f"), "first", kT);
  host_.pairs = {{Src(), "なし"}};
  ASSERT_EQ(Run(), RunOutcome::kCompleted);
  WriteFile(Src("f"), "second", kT + 100);
  WriteFile(Src("g"), "g", kT);
  ASSERT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(Out("f")), "second");
  std::vector<std::string> below;
  for (const std::string& file : FilesBelow(dir_ / "out")) below.push_back(Canonical(file));
  const std::string folder = Listed().substr(platform::RootNameLength(Listed()));
  EXPECT_EQ(below, (std::vector<std::string>{Canonical(kDate + folder + Native("/f")),
                                             Canonical(kDate + folder + Native("/g"))}));
}

TEST_F(RunTest, UnreadableSourceFoldersAreNotedAndCounted) {
  WriteFile(Src("ok/f"), "1", kT);
  WriteFile(Src("locked/g"), "2", kT);
  host_.pairs = {{Src(), "なし"}};
  fs_.list_fault = [&](const std::string& folder) {
    return folder == Listed("locked") + Native("/")
               ? platform::Status::Error(platform::kPermissionDenied, "opendir: denied")
               : platform::Status::Ok();
  };
  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  EXPECT_EQ(stats_.unreadable_folders, 1);
  EXPECT_THAT(host_.notes, ElementsAre("opendir: denied"));
}

TEST_F(RunTest, AFailedFlushIsReportedNotHidden) {
  WriteFile(Src("f"), "1", kT);
  host_.pairs = {{Src(), "なし"}};
  fs_.flush_fault = [](const std::string&) {
    return platform::Status::Error(platform::kDeviceIoError, "syncfs: I/O error");
  };
  EXPECT_EQ(Run(), RunOutcome::kCompletedWithFailures);
  EXPECT_EQ(host_.BoxTitles(), std::vector<std::string>{"コピーエラー"});
}

TEST_F(RunTest, IsNeverEnteredTwiceAndSurvivesAFailingHost) {
  WriteFile(Src("f"), "1", kT);
  host_.pairs = {{Src(), "なし"}};
  RunOutcome inner = RunOutcome::kCompleted;
  host_.on_event = [&](const std::string& event) {
    if (event == "Show") {
      ScriptedHost other;
      inner = RunBackup(other.job(), other);
      throw std::runtime_error("window went away");
    }
  };
  EXPECT_EQ(Run(), RunOutcome::kAborted);
  EXPECT_EQ(inner, RunOutcome::kAlreadyRunning);
  EXPECT_EQ(host_.events.back(), "Unload");
  EXPECT_EQ(host_.boxes.size(), 1u);  // the failure is reported

  host_.on_event = nullptr;
  EXPECT_EQ(Run(), RunOutcome::kCompleted);  // the guard was released
}

}  // namespace
}  // namespace engine
