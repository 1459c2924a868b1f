#include "engine/catalogue.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

ArchiveEntry Entry(const std::string& name, const std::string& path,
                   const std::string& size = "1,000", const std::string& time = "12:00:00") {
  return ArchiveEntry{name, path, size, "2000/06/26", time};
}

class CatalogueTest : public ::testing::Test {
 protected:
  ArchiveCatalogue::Answer Ask(const std::string& folder, const std::string& size = "1,000",
                               const std::string& time = "2000/06/26 12:00:00") {
    return catalogue_.Lookup("A.TXT", size, time, folder, [&] {
      ++option_reads_;
      return match_folders_;
    });
  }
  bool Unchanged(const std::string& folder) { return Ask(folder).SaysUnchanged; }

  ArchiveCatalogue catalogue_;
  bool match_folders_ = true;
  int option_reads_ = 0;
};

TEST_F(CatalogueTest, AStoredFolderFromTheRootMustNameTheWholeFolder) {
  catalogue_.Append(Entry("A.TXT", "\\DATA\\SUB\\"));
  EXPECT_TRUE(Unchanged("/DATA/SUB"));
  EXPECT_FALSE(Unchanged("/X/DATA/SUB"));
  EXPECT_FALSE(Unchanged("/DATA"));
  ArchiveCatalogue::Answer answer = Ask("/ELSEWHERE");
  EXPECT_TRUE(answer.NameInCatalogue);
  EXPECT_FALSE(answer.SaysUnchanged);
}

TEST_F(CatalogueTest, AMemberWithoutFolderMatchesOnlyTheRoot) {
  catalogue_.Append(Entry("A.TXT", "\\"));
  EXPECT_TRUE(Unchanged(""));
  EXPECT_FALSE(Unchanged("/DATA"));
  EXPECT_TRUE(Ask("/DATA").NameInCatalogue);
}

TEST_F(CatalogueTest, ARelativeStoredFolderIsATextSuffix) {
  catalogue_.Append(Entry("A.TXT", "SUB\\"));
  EXPECT_TRUE(Unchanged("/DATA/SUB"));
  EXPECT_TRUE(Unchanged("/SUB"));
  EXPECT_TRUE(Unchanged("/DATA/XSUB"));  // not aligned to folder boundaries
  EXPECT_FALSE(Unchanged("/SUB/DEEP"));
}

TEST_F(CatalogueTest, WithoutFolderMatchingAnyEntryOfTheNameCounts) {
  catalogue_.Append(Entry("A.TXT", "\\SOMEWHERE\\"));
  match_folders_ = false;
  EXPECT_TRUE(Unchanged("/ANYWHERE"));
}

TEST_F(CatalogueTest, SizeMustMatchAndTheSourceMustNotBeLater) {
  catalogue_.Append(Entry("A.TXT", "\\"));
  EXPECT_TRUE(Ask("", "1,000", "2000/06/26 11:59:59").SaysUnchanged);
  EXPECT_FALSE(Ask("", "1,000", "2000/06/26 12:00:01").SaysUnchanged);
  EXPECT_FALSE(Ask("", "1,001", "2000/06/26 12:00:00").SaysUnchanged);
  EXPECT_FALSE(catalogue_.Lookup("B.TXT", "1,000", "", "", [] { return true; }).NameInCatalogue);
}

TEST_F(CatalogueTest, EveryEntryOfTheNameIsConsultedAndOnlyThose) {
  catalogue_.Append(Entry("A.TXT", "\\", "5"));
  catalogue_.Append(Entry("OTHER.TXT", "\\"));
  catalogue_.Append(Entry("A.TXT", "\\OLD\\"));
  catalogue_.Append(Entry("A.TXT", "\\"));  // a duplicate from another pair's archive
  EXPECT_TRUE(Unchanged(""));
  EXPECT_EQ(option_reads_, 3);  // the option is read for each entry of the name
  EXPECT_EQ(catalogue_.size(), 4u);
  EXPECT_EQ(catalogue_[1].FileName, "OTHER.TXT");
}

TEST(FolderIndexTest, KeepsListingOrderAmongFilesOfOneName) {
  FolderIndex index;
  index.Add("README", 1, 10);
  index.Add("OTHER", 2, 20);
  index.Add("README", 3, 30);
  const FolderIndex::File* first = index.First("README");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->size, 1u);
  const FolderIndex::File* second = index.Next(*first);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->size, 3u);
  EXPECT_EQ(index.Next(*second), nullptr);
  EXPECT_EQ(index.First("readme"), nullptr);
  index.Clear();
  EXPECT_EQ(index.First("README"), nullptr);
}

}  // namespace
}  // namespace engine
