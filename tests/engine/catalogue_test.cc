#include "engine/catalogue.h"

#include <gtest/gtest.h>

#include "tests/support/platform_paths.h"

namespace engine {
namespace {

constexpr std::int64_t kNoon = 961988400;  // 2000/06/26 12:00:00 in the tests' zone
constexpr char kNoonText[] = "2000/06/26 12:00:00";

ArchiveEntry Entry(const char* name, const char* folder, const char* size,
                   const char* time = kNoonText, std::optional<std::int64_t> instant = {}) {
  std::string stamp(time);
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return {upper, folder, size, stamp.substr(0, 10), stamp.substr(11), name, instant};
}

// Each row: a catalogue entry's stored folder, size, time text and instant (levels 2 and 3),
// a source file's folder (root name dropped, upper-cased), size and time, whether folders
// must match, and the answer.
struct Row {
  const char* stored_folder;
  const char* size;
  const char* time;
  std::optional<std::int64_t> instant;
  const char* folder;
  std::uint64_t source_size;
  std::int64_t source_time;
  bool match_folders;
  bool unchanged;
};

TEST(CatalogueTest, FolderSizeAndTimeDecideWhetherAnEntrySaysUnchanged) {
  const Row rows[] = {
      // A folder stored from the root must name the whole folder; "\" alone is the root.
      {"\\DATA\\SUB\\", "1,000", kNoonText, {}, "/DATA/SUB", 1000, kNoon, true, true},
      {"\\DATA\\SUB\\", "1,000", kNoonText, {}, "/X/DATA/SUB", 1000, kNoon, true, false},
      {"\\", "1,000", kNoonText, {}, "", 1000, kNoon, true, true},
      {"\\", "1,000", kNoonText, {}, "/DATA", 1000, kNoon, true, false},
      // A relative folder is a plain text suffix, not aligned to folder boundaries.
      {"SUB\\", "1,000", kNoonText, {}, "/DATA/SUB", 1000, kNoon, true, true},
      {"SUB\\", "1,000", kNoonText, {}, "/DATA/XSUB", 1000, kNoon, true, true},
      {"SUB\\", "1,000", kNoonText, {}, "/SUB/DEEP", 1000, kNoon, true, false},
      {"\\ELSEWHERE\\", "1,000", kNoonText, {}, "/ANY", 1000, kNoon, false, true},
      // Same size and a source time that is not later: local texts for a member that has
      // only those, its instant for one that has one (whatever its text says).
      {"\\", "1,000", kNoonText, {}, "", 1000, kNoon - 1, true, true},
      {"\\", "1,000", kNoonText, {}, "", 1000, kNoon + 1, true, false},
      {"\\", "1,000", kNoonText, {}, "", 1001, kNoon, true, false},
      {"\\", "1,000", kNoonText, kNoon + 3600, "", 1000, kNoon + 1, true, true},
      {"\\", "1,000", kNoonText, kNoon - 3600, "", 1000, kNoon, true, false},
      // Sizes of 2 GiB and more compare like any other.
      {"\\", "2,147,483,648", kNoonText, {}, "", 2147483648u, kNoon, true, true},
      {"\\", "4,294,967,295", kNoonText, {}, "", 4294967296u, kNoon, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.stored_folder) + " / " + row.folder + " " + row.size + " " +
                 std::to_string(row.source_time - kNoon));
    ArchiveCatalogue catalogue;
    catalogue.Append(Entry("a.txt", row.stored_folder, row.size, row.time, row.instant));
    ArchiveCatalogue::Answer answer =
        catalogue.Lookup({"A.TXT", "a.txt", row.source_size, row.source_time},
                         testing_support::Native(row.folder), row.match_folders, {});
    EXPECT_TRUE(answer.NameInCatalogue);
    EXPECT_EQ(answer.SaysUnchanged, row.unchanged);
  }
}

TEST(CatalogueTest, EveryEntryOfTheNameIsConsultedAndOnlyThose) {
  ArchiveCatalogue catalogue;
  catalogue.Append(Entry("a.txt", "\\", "5"));
  catalogue.Append(Entry("other.txt", "\\", "1"));
  catalogue.Append(Entry("a.txt", "\\OLD\\", "1"));
  catalogue.Append(Entry("a.txt", "\\", "1"));  // from another pair
  ArchiveCatalogue::Answer answer = catalogue.Lookup({"A.TXT", "a.txt", 1, kNoon}, "", true, {});
  EXPECT_TRUE(answer.SaysUnchanged);
  EXPECT_FALSE(catalogue.Lookup({"B.TXT", "b.txt", 1, kNoon}, "", true, {}).NameInCatalogue);
}

// Of the entries of a name that pass the folder test, those with the file's exact name
// decide when there are any; upper-cased names (as DOS archivers store them) still match.
TEST(CatalogueTest, EntriesWithTheExactNameDecideBeforeOthers) {
  ArchiveCatalogue catalogue;
  catalogue.Append(Entry("b.txt", "\\", "5"));
  catalogue.Append(Entry("B.TXT", "\\", "4"));
  catalogue.Append(Entry("c.txt", "\\ELSEWHERE\\", "5"));
  catalogue.Append(Entry("C.TXT", "\\", "4"));
  struct Case {
    const char* upper;
    const char* name;  // "" where names are not case-sensitive
    bool unchanged;
  } cases[] = {
      {"B.TXT", "B.TXT", true}, {"B.TXT", "b.txt", false}, {"B.TXT", "b.Txt", true},
      {"B.TXT", "", true},      {"C.TXT", "c.txt", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArchiveCatalogue::Answer answer = catalogue.Lookup({c.upper, c.name, 4, kNoon}, "", true, {});
    EXPECT_TRUE(answer.NameInCatalogue);
    EXPECT_EQ(answer.SaysUnchanged, c.unchanged);
  }
}

TEST(FolderIndexTest, GivesTheExactNameFirstAndOtherwiseEveryFileOfTheNameInListingOrder) {
  FolderIndex index;
  index.Add("Readme", "README", 1, 10);
  index.Add("other", "OTHER", 2, 20);
  index.Add("README", "README", 3, 30);
  index.Add("Readme", "README", 4, 40);
  auto sizes = [&](std::string_view name) {
    std::vector<std::uint64_t> found;
    const SourceKey key{"README", name, 0, 0};
    for (const FolderIndex::File* file = index.First(key); file != nullptr;
         file = index.Next(*file, key)) {
      found.push_back(file->size);
    }
    return found;
  };
  EXPECT_EQ(sizes("README"), (std::vector<std::uint64_t>{3}));
  EXPECT_EQ(sizes("Readme"), (std::vector<std::uint64_t>{1, 4}));
  EXPECT_EQ(sizes("readme"), (std::vector<std::uint64_t>{1, 3, 4}));
  EXPECT_EQ(sizes(""), (std::vector<std::uint64_t>{1, 3, 4}));
  EXPECT_EQ(index.NameOf(*index.First({"OTHER", "other", 0, 0})), "other");
  EXPECT_EQ(index.First({"readme", "readme", 0, 0}), nullptr);
}

}  // namespace
}  // namespace engine
