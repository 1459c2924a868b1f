#include "engine/catalogue.h"

#include <gtest/gtest.h>

#include "tests/support/platform_paths.h"

namespace engine {
namespace {

// Each row: a catalogue entry's stored folder, size and time, a source file's folder (root
// name dropped, upper-cased), size and time, whether folders must match, and the answer.
struct Row {
  const char* stored_folder;
  const char* size;
  const char* time;
  const char* folder;
  const char* source_size;
  const char* source_time;
  bool match_folders;
  bool unchanged;
};

TEST(CatalogueTest, FolderSizeAndTimeDecideWhetherAnEntrySaysUnchanged) {
  const char* kNoon = "2000/06/26 12:00:00";
  const Row rows[] = {
      // A folder stored from the root must name the whole folder; "\" alone is the root.
      {"\\DATA\\SUB\\", "1,000", kNoon, "/DATA/SUB", "1,000", kNoon, true, true},
      {"\\DATA\\SUB\\", "1,000", kNoon, "/X/DATA/SUB", "1,000", kNoon, true, false},
      {"\\", "1,000", kNoon, "", "1,000", kNoon, true, true},
      {"\\", "1,000", kNoon, "/DATA", "1,000", kNoon, true, false},
      // A relative folder is a plain text suffix, not aligned to folder boundaries.
      {"SUB\\", "1,000", kNoon, "/DATA/SUB", "1,000", kNoon, true, true},
      {"SUB\\", "1,000", kNoon, "/DATA/XSUB", "1,000", kNoon, true, true},
      {"SUB\\", "1,000", kNoon, "/SUB/DEEP", "1,000", kNoon, true, false},
      {"\\ELSEWHERE\\", "1,000", kNoon, "/ANY", "1,000", kNoon, false, true},
      // Same size and a source time that is not later, compared as texts.
      {"\\", "1,000", kNoon, "", "1,000", "2000/06/26 11:59:59", true, true},
      {"\\", "1,000", kNoon, "", "1,000", "2000/06/26 12:00:01", true, false},
      {"\\", "1,000", kNoon, "", "1,001", kNoon, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.stored_folder) + " / " + row.folder + " " + row.source_time);
    ArchiveCatalogue catalogue;
    std::string time(row.time);
    catalogue.Append({"A.TXT", row.stored_folder, row.size, time.substr(0, 10), time.substr(11)});
    ArchiveCatalogue::Answer answer =
        catalogue.Lookup("A.TXT", row.source_size, row.source_time,
                         testing_support::Native(row.folder), [&] { return row.match_folders; });
    EXPECT_TRUE(answer.NameInCatalogue);
    EXPECT_EQ(answer.SaysUnchanged, row.unchanged);
  }
}

TEST(CatalogueTest, EveryEntryOfTheNameIsConsultedAndOnlyThose) {
  ArchiveCatalogue catalogue;
  catalogue.Append({"A.TXT", "\\", "5", "2000/06/26", "12:00:00"});
  catalogue.Append({"OTHER.TXT", "\\", "1", "2000/06/26", "12:00:00"});
  catalogue.Append({"A.TXT", "\\OLD\\", "1", "2000/06/26", "12:00:00"});
  catalogue.Append({"A.TXT", "\\", "1", "2000/06/26", "12:00:00"});  // from another pair
  int option_reads = 0;
  ArchiveCatalogue::Answer answer =
      catalogue.Lookup("A.TXT", "1", "2000/06/26 12:00:00", "", [&] { return ++option_reads > 0; });
  EXPECT_TRUE(answer.SaysUnchanged);
  EXPECT_EQ(option_reads, 3);  // the option is read anew for each entry of the name
  EXPECT_FALSE(catalogue.Lookup("B.TXT", "1", "", "", [] { return true; }).NameInCatalogue);
}

TEST(FolderIndexTest, KeepsListingOrderAmongFilesOfOneName) {
  FolderIndex index;
  index.Add("README", 1, 10);
  index.Add("OTHER", 2, 20);
  index.Add("README", 3, 30);
  const FolderIndex::File* first = index.First("README");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->size, 1u);
  ASSERT_NE(index.Next(*first), nullptr);
  EXPECT_EQ(index.Next(*first)->size, 3u);
  EXPECT_EQ(index.Next(*index.Next(*first)), nullptr);
  EXPECT_EQ(index.First("readme"), nullptr);
}

}  // namespace
}  // namespace engine
