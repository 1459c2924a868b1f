// Which copy a restore takes where the chain's runs read archives: the newest day holding a
// file, a day's plain copy before its archives, members matched as the runs' catalogue
// matches them and only with the size the record lists.

#include "engine/restore_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/platform_paths.h"

namespace engine {
namespace {

using ::testing::ElementsAre;

// "path@day" for a plain copy, "path@day#member" for an archive member.
std::vector<std::string> Describe(const RestorePlan& plan) {
  std::vector<std::string> rows;
  for (const RestoreChoice& choice : plan.files) {
    std::string row = choice.path + "@" + std::to_string(choice.day);
    if (choice.member != kPlainCopy) row += "#" + std::to_string(choice.member);
    rows.push_back(row);
  }
  for (const std::string& path : plan.missing) rows.push_back(path + " missing");
  return rows;
}

HeldMember Member(const char* folder, const char* name, std::uint64_t size,
                  std::optional<std::int64_t> time = {}) {
  return HeldMember{testing_support::Native(folder), name, size, time};
}

TEST(RestorePlanArchivesTest, TheNewestDayHoldingTheFileDecidesAndItsPlainCopyComesFirst) {
  const std::vector<RecordedFile> listed = {
      {"h/src/edited", 5, 100},      {"h/src/packed", 3, 100}, {"h/src/both", 4, 100},
      {"h/src/resized", 6, 100},     {"h/src/lost", 1, 100},   {"h/src/sub/deep", 2, 100},
      {"h/src/newer-plain", 7, 100},
  };
  const std::vector<std::vector<std::string>> held = {
      {"h/src/edited"},                        // day 0, the day restored
      {"h/src/both", "h/src/newer-plain"},     // day 1
      {"h/src/resized", "h/src/newer-plain"},  // day 2
  };
  const std::vector<std::vector<HeldMember>> members = {
      {Member("SRC/", "edited", 5)},  // an older packing in a newer day is still newest
      {Member("SRC/", "both", 4), Member("SRC/", "packed", 3)},
      {Member("SRC/SUB/", "deep", 2), Member("SRC/", "newer-plain", 7)},
      {Member("SRC/", "resized", 9), Member("SRC/", "lost", 2)},
  };
  EXPECT_THAT(
      Describe(PlanRestore(listed, held, members)),
      ElementsAre("h/src/both@1", "h/src/edited@0", "h/src/newer-plain@1", "h/src/packed@1#1",
                  "h/src/resized@2", "h/src/sub/deep@2#0", "h/src/lost missing"));
  // Members of the wrong size are other versions: the file is missing rather than wrong.
  const std::vector<std::vector<HeldMember>> wrong = {{Member("SRC/", "lost", 2)}};
  EXPECT_THAT(Describe(PlanRestore({{"h/src/lost", 1, 100}}, {}, wrong)),
              ElementsAre("h/src/lost missing"));
}

TEST(RestorePlanArchivesTest, MembersStandForTheFilesOfTheFoldersTheCatalogueMatchesThemWith) {
  struct Row {
    const char* stored_folder;
    const char* path;
    bool holds;
  } rows[] = {
      // From the root: the whole folder; relative: a plain suffix of it.
      {"/H/SRC/", "h/src/a.txt", true},
      {"/SRC/", "h/src/a.txt", false},
      {"SRC/", "h/src/a.txt", true},
      {"SRC/", "h/xsrc/a.txt", true},
      {"SRC/", "h/src/sub/a.txt", false},
      // A member without a folder is one of the root.
      {"/", "a.txt", true},
      {"/", "h/a.txt", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.stored_folder) + " " + row.path);
    const RestorePlan plan =
        PlanRestore({{row.path, 1, 0}}, {}, {{Member(row.stored_folder, "a.txt", 1)}});
    EXPECT_EQ(plan.files.size(), row.holds ? 1u : 0u);
    EXPECT_EQ(plan.missing.size(), row.holds ? 0u : 1u);
  }
}

TEST(RestorePlanArchivesTest, OfSeveralMembersTheExactNameAndThenTheNearestTimeWin) {
  // Where case counts, the member named exactly decides, and a member named exactly as
  // another listed file of the folder never stands for this one.
  const std::vector<std::vector<HeldMember>> day = {{
      Member("S/", "README", 1),
      Member("S/", "Readme", 2),
      Member("S/", "NOTES", 3),
  }};
  EXPECT_THAT(
      Describe(PlanRestore({{"s/Readme", 2, 0}, {"s/README", 1, 0}, {"s/notes", 3, 0}}, {}, day)),
      ElementsAre("s/README@0#0", "s/Readme@0#1", "s/notes@0#2"));
  // The exact name decides even when its size is another's: that file is missing.
  EXPECT_THAT(Describe(PlanRestore({{"s/Readme", 1, 0}}, {}, day)),
              ElementsAre("s/Readme missing"));
  // Where case does not count, every member of the name is a candidate.
  EXPECT_THAT(Describe(PlanRestore({{"S/README", 2, 0}}, {}, day, false)),
              ElementsAre("S/README@0#1"));
  // Of several of the right size, the one dated nearest the record, never before it; one
  // without a time after those with one.
  const std::vector<std::vector<HeldMember>> versions = {{
      Member("S/", "a", 4),
      Member("S/", "a", 4, 995),
      Member("S/", "a", 4, 1010),
      Member("S/", "a", 4, 1002),
  }};
  EXPECT_THAT(Describe(PlanRestore({{"s/a", 4, 1000}}, {}, versions)), ElementsAre("s/a@0#3"));
  EXPECT_THAT(Describe(PlanRestore({{"s/a", 4, 1020}}, {}, versions)), ElementsAre("s/a@0#0"));
  const std::vector<std::vector<HeldMember>> older = {{Member("S/", "a", 4, 995)}};
  EXPECT_THAT(Describe(PlanRestore({{"s/a", 4, 1000}}, {}, older)), ElementsAre("s/a missing"));
}

}  // namespace
}  // namespace engine
