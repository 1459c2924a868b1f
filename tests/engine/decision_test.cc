// The decision for one source file, as tables: no disk, no run.

#include "engine/decision.h"

#include <gtest/gtest.h>

#include "engine/job.h"
#include "platform/text.h"

// GCC 12 at -O3 takes the strings of the row tables below for uninitialized (GCC bug 107919,
// std::string members of aggregates); the tables are plain constants.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace engine {
namespace {

constexpr std::int64_t kNoon = 961988400;  // 2000/06/26 12:00:00 in the tests' zone
constexpr char kNoonText[] = "2000/06/26 12:00:00";
constexpr std::int64_t kStart = kNoon + 86400;  // the run starts a day later
constexpr char kStartText[] = "2000/06/27 12:00:00";

struct Record {
  const char* name;
  std::uint64_t size;
  std::int64_t mtime;
};

DecisionContext Context() {
  DecisionContext context;
  context.case_sensitive = true;
  context.run_start = kStart;
  context.run_start_text = kStartText;
  return context;
}

FolderIndex IndexOf(std::initializer_list<Record> records) {
  FolderIndex index;
  for (const Record& record : records) {
    index.Add(record.name, platform::UpperCase(record.name), record.size, record.mtime);
  }
  return index;
}

Decision DecideAgainst(const std::vector<SourceFile>& folder, std::size_t which,
                       const std::vector<FolderIndex>& counterparts,
                       const ArchiveCatalogue& catalogue = {}) {
  const SourceFile& file = folder[which];
  return Decide(file, platform::UpperCase(file.name), catalogue, "/SRC", false, counterparts,
                FolderNames(folder), Context());
}

TEST(DecisionTest, ThePlainFileOfTheNewestBackupHoldingTheNameDecides) {
  struct Row {
    const char* what;
    SourceFile file;
    std::vector<FolderIndex> backups;  // newest first
    Verdict verdict;
  } rows[] = {
      {"new", {"a", 4, kNoon}, {IndexOf({{"b", 4, kNoon}})}, Verdict::kCopy},
      {"unchanged", {"a", 4, kNoon}, {IndexOf({{"a", 4, kNoon}})}, Verdict::kSkip},
      {"older source", {"a", 4, kNoon - 60}, {IndexOf({{"a", 4, kNoon}})}, Verdict::kSkip},
      {"newer source", {"a", 4, kNoon + 1}, {IndexOf({{"a", 4, kNoon}})}, Verdict::kCopyUpperCased},
      {"other size", {"a", 5, kNoon}, {IndexOf({{"a", 4, kNoon}})}, Verdict::kCopyUpperCased},
      {"newest decides",
       {"a", 4, kNoon},
       {IndexOf({{"a", 5, kNoon}}), IndexOf({{"a", 4, kNoon}})},
       Verdict::kCopyUpperCased},
      {"older backups fill in",
       {"a", 4, kNoon},
       {IndexOf({}), IndexOf({{"a", 4, kNoon}})},
       Verdict::kSkip},
      {"another case stands in", {"a", 4, kNoon}, {IndexOf({{"A", 4, kNoon}})}, Verdict::kSkip},
      {"exact name before a newer backup's other case",
       {"a", 4, kNoon},
       {IndexOf({{"A", 4, kNoon}}), IndexOf({{"a", 5, kNoon}})},
       Verdict::kCopyUpperCased},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(DecideAgainst({row.file}, 0, row.backups).verdict, row.verdict);
  }
}

// A record dated after the run started (a clock that was wrong, a planted copy dated 2100)
// or without a valid time cannot vouch, or it would hide every later change of the file.
TEST(DecisionTest, TimesThatCannotBeTrustedVouchOnlyForTheirOwnTime) {
  const std::int64_t k2100 = 4102444800;
  struct Row {
    std::int64_t source, record;
    Verdict verdict;
    bool distrusted;
  } rows[] = {
      {kNoon, kStart, Verdict::kSkip, false},  // the start itself is trusted
      {kNoon, kStart + 1, Verdict::kCopyUpperCased, true},
      {kNoon, k2100, Verdict::kCopyUpperCased, true},
      {k2100, k2100, Verdict::kSkip, false},  // the file's own time
      {k2100 + 5, k2100, Verdict::kCopyUpperCased, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.record - kStart);
    Decision decision = DecideAgainst({{"a", 4, row.source}}, 0, {IndexOf({{"a", 4, row.record}})});
    EXPECT_EQ(decision.verdict, row.verdict);
    EXPECT_EQ(decision.distrusted, row.distrusted);
  }
}

ArchiveEntry Member(const char* name, const char* size, const char* stamp,
                    std::optional<std::int64_t> instant = {}) {
  const std::string text(stamp);
  return {platform::UpperCase(name), "\\", size,   text.substr(0, 10),
          text.substr(11),           name, instant};
}

TEST(DecisionTest, ArchiveMembersWithUntrustedTimesDoNotSayUnchanged) {
  struct Row {
    const char* what;
    ArchiveEntry member;
    Verdict verdict;
  } rows[] = {
      {"level 0 text, earlier", Member("a", "4", kNoonText), Verdict::kSkip},
      {"level 0 text, after the start", Member("a", "4", "2100/01/01 00:00:00"),
       Verdict::kCopyUpperCased},
      // A DOS stamp of all ones reads as month 15, hour 31: no time at all.
      {"invalid stamp", Member("a", "4", "2107/15/31 31:63:62"), Verdict::kCopyUpperCased},
      {"invalid stamp in the past", Member("a", "4", "1999/13/01 00:00:00"),
       Verdict::kCopyUpperCased},
      {"level 2 instant after the start", Member("a", "4", kNoonText, kStart + 60),
       Verdict::kCopyUpperCased},
      {"level 2 instant equal to the file's", Member("a", "4", kNoonText, kNoon), Verdict::kSkip},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ArchiveCatalogue catalogue;
    catalogue.Append(row.member);
    EXPECT_EQ(DecideAgainst({{"a", 4, kNoon}}, 0, {IndexOf({})}, catalogue).verdict, row.verdict);
  }
}

// a.txt is backed up; A.txt, new, of the same size and not newer, must not be taken for it:
// the record a.txt is the other file's.
TEST(DecisionTest, ACaseTwinIsNeverVouchedForByItsTwinsRecord) {
  const std::vector<SourceFile> folder = {{"a.txt", 4, kNoon}, {"A.txt", 4, kNoon - 60}};
  const std::vector<FolderIndex> backup = {IndexOf({{"a.txt", 4, kNoon}})};
  EXPECT_EQ(DecideAgainst(folder, 0, backup).verdict, Verdict::kSkip);
  EXPECT_EQ(DecideAgainst(folder, 1, backup).verdict, Verdict::kCopy);
  // Alone in its folder, the other case still stands in (DOS-era copies).
  EXPECT_EQ(DecideAgainst({folder[1]}, 0, backup).verdict, Verdict::kSkip);

  ArchiveCatalogue catalogue;
  catalogue.Append(Member("a.txt", "4", kNoonText));
  EXPECT_EQ(DecideAgainst(folder, 1, {IndexOf({})}, catalogue).verdict, Verdict::kCopyUpperCased);
  EXPECT_EQ(DecideAgainst({folder[1]}, 0, {IndexOf({})}, catalogue).verdict, Verdict::kSkip);

  // Where names ignore case there are no twins: a file's own record is never passed over.
  DecisionContext insensitive = Context();
  insensitive.case_sensitive = false;
  const std::vector<SourceFile> alone = {{"a.txt", 4, kNoon}};
  EXPECT_EQ(Decide(alone[0], "A.TXT", catalogue, "/SRC", false, {IndexOf({})}, FolderNames(alone),
                   insensitive)
                .verdict,
            Verdict::kSkip);
}

TEST(DecisionTest, DatesAndTimesAreRealOnesOnly) {
  EXPECT_TRUE(IsDateFolderName("20240229"));
  EXPECT_FALSE(IsDateFolderName("20230229"));
  EXPECT_FALSE(IsDateFolderName("20260230"));
  EXPECT_FALSE(IsDateFolderName("20261301"));
  EXPECT_FALSE(IsDateFolderName("2026120"));
  EXPECT_FALSE(IsDateFolderName("2026120x"));
  EXPECT_TRUE(IsValidTimeText("2000/02/29 23:59:59"));
  EXPECT_FALSE(IsValidTimeText("1900/02/29 00:00:00"));
  EXPECT_FALSE(IsValidTimeText("2000/06/26 24:00:00"));
  EXPECT_FALSE(IsValidTimeText("2000/06/26 12:00"));
}

}  // namespace
}  // namespace engine
