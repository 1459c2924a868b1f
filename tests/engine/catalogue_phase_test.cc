// The run with LZH archives in its comparison folders, through a scripted archive object.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "engine/common.h"
#include "engine/public_function.h"
#include "platform/path_rules.h"
#include "platform/vb_error.h"
#include "tests/support/platform_paths.h"
#include "tests/support/scoped_time_zone.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace engine {
namespace {

using ::testing::ElementsAre;
using testing_support::ScriptedHost;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;  // 2000/06/26 12:05:07 in the tests' zone

struct Member {
  std::string path;  // stored folder as the archive object gives it: "doc\" or "\"
  std::string name;
  std::string size = "4";
  std::string date = "2000/06/26";
  std::string time = "12:05:08";
  std::optional<std::int64_t> instant = std::nullopt;  // levels 2 and 3
};

// Archives by full path (compared as the platform compares names); a path missing from the
// map fails the check.
class FakeArchive : public ArchiveObject {
 public:
  explicit FakeArchive(std::map<std::string, std::vector<Member>>& archives,
                       std::vector<std::string>& log)
      : archives_(archives), log_(log) {}
  void SetOwnerWindow(std::int32_t hwnd) override {
    log_.push_back("hwnd " + std::to_string(hwnd));
  }
  bool CheckArchive(const std::string& path) override {
    log_.push_back("check " + path);
    return archives_.count(testing_support::Canonical(path)) > 0;
  }
  std::int16_t SetArcFile(const std::string& path) override {
    log_.push_back("open " + path);
    current_ = &archives_.at(testing_support::Canonical(path));
    if (current_->size() > 32767) throw platform::VbError(platform::kOverflow, "overflow");
    return static_cast<std::int16_t>(current_->size());
  }
  std::string FileDate(std::int16_t& i) override { return At(i).date; }
  std::string FilePath(std::int16_t& i) override { return At(i).path; }
  std::string FileName(std::int16_t& i) override { return At(i).name; }
  std::string FileOriginal(std::int16_t& i) override { return At(i).size; }
  std::string FileTime(std::int16_t& i) override { return At(i).time; }
  std::optional<std::int64_t> FileInstant(std::int16_t& i) override { return At(i).instant; }

 private:
  const Member& At(std::int16_t i) { return (*current_)[static_cast<std::size_t>(i)]; }
  std::map<std::string, std::vector<Member>>& archives_;
  std::vector<std::string>& log_;
  const std::vector<Member>* current_ = nullptr;
};

class CataloguePhaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateFolderName = "20001231";
    host_.destination = dir_ / "out";
    host_.archives = true;
    options_.make_archive = [this] { return std::make_unique<FakeArchive>(archives_, log_); };
    // Relative to the test's folder, in the form that compares equal on every platform.
    options_.dry_run = [this](const std::string& source, const std::string&) {
      copied_.push_back(testing_support::Canonical(source.substr(dir_.path().size() + 1)));
    };
  }
  // An archive file in the comparison tree (its content is never read by the fake).
  void Archive(const std::string& relative, std::vector<Member> members) {
    WriteFile(dir_ / relative, "lzh");
    archives_[testing_support::Canonical(dir_ / relative)] = std::move(members);
  }
  std::vector<std::string> Copied() {
    copied_.clear();
    RunBackup(host_.job(), host_, options_);
    std::sort(copied_.begin(), copied_.end());
    return copied_;
  }

  TempDir dir_;
  ScriptedHost host_;
  RunOptions options_;
  std::map<std::string, std::vector<Member>> archives_;
  std::vector<std::string> log_;
  std::vector<std::string> copied_;
};

TEST_F(CataloguePhaseTest, AnUnchangedCopyInAnArchiveIsNotCopied) {
  // The source folder as an archive stores it: a path from the root, without the root name.
  std::string stored = dir_.path().substr(platform::RootNameLength(dir_.path())) + "/src/";
  std::replace(stored.begin(), stored.end(), '/', '\\');
  WriteFile(dir_ / "src/same.txt", "same", kT);
  WriteFile(dir_ / "src/newer.txt", "newr", kT + 60);
  WriteFile(dir_ / "src/other.txt", "diff", kT);
  Archive("cmp/Backup.Lzh",
          {{stored, "SAME.TXT"}, {stored, "newer.txt"}, {stored, "other.txt", "5"}});
  host_.pairs = {{dir_ / "src", dir_ / "cmp"}};
  EXPECT_THAT(Copied(), ElementsAre("src/newer.txt", "src/other.txt"));
  EXPECT_EQ(log_.front(), "hwnd 4660");

  // With folders matched, the same members stored under another folder settle nothing.
  archives_.clear();
  Archive("cmp/Backup.Lzh", {{"\\ELSEWHERE\\", "same.txt"}});
  EXPECT_THAT(Copied(), ElementsAre("src/newer.txt", "src/other.txt", "src/same.txt"));
  host_.match_folders = false;
  EXPECT_THAT(Copied(), ElementsAre("src/newer.txt", "src/other.txt"));
}

TEST_F(CataloguePhaseTest, ARelativeStoredFolderMatchesTheEndOfTheSourceFolder) {
  WriteFile(dir_ / "src/sub/a.txt", "same", kT);
  WriteFile(dir_ / "src/a.txt", "same", kT);
  Archive("cmp/b.lzh", {{"SUB\\", "a.txt"}});
  host_.pairs = {{dir_ / "src", dir_ / "cmp"}};
  // Only src/sub/a.txt is settled; src/a.txt's name is in the catalogue but its folder is
  // not, and without a plain copy beside the archive it is copied.
  EXPECT_THAT(Copied(), ElementsAre("src/a.txt"));
}

// Members with the file's exact name decide; a member with an instant (header levels 2 and
// 3) is compared by it, one with only a local time by the texts, which the hour repeated at
// the end of daylight saving can mislead.
TEST_F(CataloguePhaseTest, MembersMatchByExactNameFirstAndByInstantWhereTheyHaveOne) {
  testing_support::ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  if (!zone.active()) GTEST_SKIP() << "the time zone is the system's, not the process's";
  const std::int64_t source_time = 1730614200;  // 2024-11-03 06:10 UTC, 01:10 EST
  for (const char* name : {"b.txt", "B.TXT", "level1.txt", "level2.txt"}) {
    WriteFile(dir_ / (std::string("src/") + name), "same", source_time);
  }
  // 05:50 UTC, 01:50 EDT: earlier as an instant, later as a text.
  const Member backup{"\\", "", "4", "2024/11/03", "01:50:00", 1730613000 + 7200};
  Member b = backup, upper_b = backup, level1 = backup, level2 = backup;
  b.name = "b.txt";
  b.size = "5";
  upper_b.name = "B.TXT";
  level1.name = "level1.txt";
  level1.instant.reset();
  level2.name = "level2.txt";
  level2.instant = 1730613000;
  Archive("cmp/old.lzh", {b, upper_b, level1, level2});
  host_.match_folders = false;
  host_.pairs = {{dir_ / "src", dir_ / "cmp"}};
  EXPECT_THAT(Copied(), ElementsAre("src/b.txt", "src/level2.txt"));
}

// Archives in every backup of a chain join the one catalogue: a member that says unchanged
// settles the file wherever it lies; otherwise the newest backup holding the name decides.
TEST_F(CataloguePhaseTest, ArchivesOfEveryBackupOfAChainJoinTheCatalogue) {
  for (const char* name : {"settled", "later", "gone"}) {
    WriteFile(dir_ / (std::string("src/") + name), "same", kT);
  }
  Archive("d1/full.lzh", {{"\\", "settled"}, {"\\", "later", "9"}});
  Archive("d3/part.lzh", {{"\\", "gone", "9"}});
  WriteFile(dir_ / "d3/settled", "changed", kT + 60);
  WriteFile(dir_ / "d2/later", "same", kT);
  host_.match_folders = false;
  host_.pairs = {{dir_ / "src", "", {dir_ / "d3", dir_ / "d2", dir_ / "d1"}}};
  EXPECT_THAT(Copied(), ElementsAre("src/gone"));
  for (const char* backup : {"d1/full.lzh", "d3/part.lzh"}) {
    const std::string path = dir_ / backup;
    const std::size_t name = path.find_last_of(platform::Separator());
    // The chain's folders are job folders: upper-cased where names ignore letter case.
    EXPECT_THAT(log_, ::testing::Contains("open " + testing_support::JobCase(path.substr(0, name)) +
                                          path.substr(name)));
  }
}

TEST_F(CataloguePhaseTest, OnlyLzhFilesAreCandidatesAndTheOptionIsReadForEachFile) {
  WriteFile(dir_ / "src/a.txt", "same", kT);
  for (const char* name : {"a.lzh", "B.LZH", "c.Lzh", "x.lha", "x.zip", "lzh"}) {
    WriteFile(dir_ / (std::string("cmp/") + name), "?");
  }
  host_.pairs = {{dir_ / "src", dir_ / "cmp"}};
  Copied();
  std::vector<std::string> checked;
  for (const std::string& entry : log_) {
    if (entry.rfind("check ", 0) == 0) {
      checked.push_back(entry.substr(entry.find_last_of(platform::Separator()) + 1));
    }
  }
  std::sort(checked.begin(), checked.end());
  EXPECT_THAT(checked, ElementsAre("B.LZH", "a.lzh", "c.Lzh"));

  log_.clear();
  host_.archives = false;  // LHA unchecked: folders still shown, no archive opened
  Copied();
  EXPECT_THAT(log_, ElementsAre("hwnd 4660"));
  EXPECT_FALSE(
      host_.EventsStartingWith("Label1=" + testing_support::JobCase(dir_.path()).substr(0, 10))
          .empty());
}

TEST_F(CataloguePhaseTest, EntriesFromEarlierPairsSettleFilesOfLaterPairs) {
  WriteFile(dir_ / "one/f.txt", "diff", kT);
  WriteFile(dir_ / "two/g.txt", "same", kT);
  Archive("cmp1/a.lzh", {{"\\", "f.txt", "9"}, {"\\", "g.txt"}, {"\\", "g.txt"}});
  host_.match_folders = false;
  host_.pairs = {{dir_ / "one", dir_ / "cmp1"}, {dir_ / "two", dir_ / "cmp2"}};
  EXPECT_THAT(Copied(), ElementsAre("one/f.txt"));
}

TEST_F(CataloguePhaseTest, ReadingAnArchiveShowsItsProgressAndCanBeCancelled) {
  WriteFile(dir_ / "src/a.txt", "same", kT);
  Archive("cmp/big.lzh", {{"\\", "a"}, {"\\", "b"}, {"\\", "c"}});
  host_.pairs = {{dir_ / "src", dir_ / "cmp"}};
  host_.on_event = [](const std::string& event) {
    if (event == "Value=1") CancelRequested = true;
  };
  host_.answers = {platform::kAnswerYes};
  options_.dry_run = nullptr;
  EXPECT_EQ(RunBackup(host_.job(), host_, options_), RunOutcome::kCancelled);
  std::vector<std::string> seen;
  for (const std::string& event : host_.events) {
    if (event.find("big.lzh") != std::string::npos || event.rfind("Max=", 0) == 0 ||
        event.rfind("Value=", 0) == 0 || event.rfind("Bar=", 0) == 0 ||
        event.rfind("Box=", 0) == 0) {
      seen.push_back(event);
    }
  }
  EXPECT_THAT(seen, ElementsAre("Max=1", "Value=0", "Label1=big.lzh読込中", "Label1=big.lzh展開中",
                                "Max=3", "Bar=1", "Value=0", "Value=1", "Box=ｷｬﾝｾﾙ確認"));
  EXPECT_EQ(host_.events.back(), "Unload");
}

TEST_F(CataloguePhaseTest, AnArchiveTooLargeToCountIsReportedAndEndsTheRun) {
  WriteFile(dir_ / "src/a.txt", "x", kT);
  Archive("cmp/huge.lzh", std::vector<Member>(32768, Member{"\\", "m"}));
  host_.pairs = {{dir_ / "src", dir_ / "cmp"}};
  options_.dry_run = nullptr;
  EXPECT_EQ(RunBackup(host_.job(), host_, options_), RunOutcome::kAborted);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_THAT(host_.boxes[0].text, ::testing::HasSubstr(testing_support::JobCase(dir_ / "cmp") +
                                                        testing_support::Native("/huge.lzh")));
  EXPECT_THAT(host_.boxes[0].text, ::testing::HasSubstr("32,767"));
  EXPECT_EQ(host_.events.back(), "Unload");
  EXPECT_FALSE(testing_support::Exists(dir_ / "out"));
}

}  // namespace
}  // namespace engine
