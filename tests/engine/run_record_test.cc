// The record format (what sha256sum reads, what a restore reads back) and the choice of the
// backup each restored file comes from, as tables without a disk.

#include "engine/run_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/restore_plan.h"
#include "tests/support/temp_dir.h"

namespace engine {
namespace {

using ::testing::ElementsAre;

constexpr char kHex[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(RunRecordTest, SumsAreEscapedAsSha256sumEscapesThem) {
  const std::vector<RecordedSum> sums = {{"home/u/plain name.txt", kHex},
                                         {"home/u/new\nline", kHex},
                                         {"home/u/back\\slash\rcr", kHex},
                                         {"home/u/tab\there", kHex}};
  const std::string text = SumsText(sums);
  EXPECT_EQ(text, std::string(kHex) + "  home/u/plain name.txt\n" + "\\" + kHex +
                      "  home/u/new\\nline\n" + "\\" + kHex + "  home/u/back\\\\slash\\rcr\n" +
                      kHex + "  home/u/tab\there\n");
  std::vector<RecordedSum> back;
  std::size_t bad = 0;
  ASSERT_TRUE(ParseSums(text, &back, &bad));
  ASSERT_EQ(back.size(), sums.size());
  for (std::size_t i = 0; i < sums.size(); ++i) EXPECT_EQ(back[i].path, sums[i].path);
  // Binary-mode lines and upper-case digits, as other tools write them, are read too.
  back.clear();
  std::string upper(kHex);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_TRUE(ParseSums(upper + " *a\n", &back, &bad));
  EXPECT_EQ(back[0].hex, kHex);
}

TEST(RunRecordTest, MalformedLinesAreRefusedWithTheirNumber) {
  std::vector<RecordedSum> sums;
  std::size_t bad = 0;
  EXPECT_FALSE(ParseSums(std::string(kHex) + "  a\n" + "abc  b\n", &sums, &bad));
  EXPECT_EQ(bad, 2u);
  EXPECT_FALSE(ParseSums("\\" + std::string(kHex) + "  bad\\xescape\n", &sums, &bad));
  EXPECT_FALSE(ParseSums(std::string(kHex) + "  \n", &sums, &bad));
  std::vector<RecordedSource> sources;
  EXPECT_FALSE(ParseFiles("1\t2\ta\n", &sources, &bad));  // a file before any source
  EXPECT_EQ(bad, 1u);
  EXPECT_FALSE(ParseFiles("source\ts\n-1\t2\ta\n", &sources, &bad));
  EXPECT_FALSE(ParseFiles("source\ts\n1\tx\ta\n", &sources, &bad));
  EXPECT_FALSE(ParseFiles("source\ts\n1\t2\t\n", &sources, &bad));
  EXPECT_EQ(bad, 2u);
}

TEST(RunRecordTest, FileListsKeepEveryNameAndTime) {
  const std::vector<RecordedSource> sources = {
      {"home/u/docs", {{"home/u/docs/a\tb", 12, 1577836800}, {"home/u/docs/c\n\\d\r", 0, -86400}}},
      {"srv/empty", {}},
  };
  const std::string text = FilesText(sources);
  EXPECT_THAT(text, ::testing::HasSubstr("12\t1577836800\thome/u/docs/a\\tb\n"));
  std::vector<RecordedSource> back;
  std::size_t bad = 0;
  ASSERT_TRUE(ParseFiles(text, &back, &bad)) << bad;
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].path, "srv/empty");
  ASSERT_EQ(back[0].files.size(), 2u);
  EXPECT_EQ(back[0].files[0].path, "home/u/docs/a\tb");
  EXPECT_EQ(back[0].files[1].path, "home/u/docs/c\n\\d\r");
  EXPECT_EQ(back[0].files[1].mtime, -86400);
}

TEST(RunRecordTest, ALaterRunOfTheDayReplacesItsSourcesAndItsCopies) {
  testing_support::TempDir dir;
  testing_support::MakeFolders(dir / "20250101");
  const std::string h1(64, '1'), h2(64, '2'), h3(64, '3'), h4(64, '4');
  RunRecord first{{}, {{"a/1", h1}, {"b/1", h2}}};
  FilesSpool first_files;
  first_files.BeginSource("a");
  first_files.Add("a/1", 1, 1);
  first_files.Add("a/2", 2, 2);
  first_files.BeginSource("b");
  first_files.Add("b/1", 1, 1);
  ASSERT_TRUE(WriteRunRecord(dir.path(), "20250101", first, first_files).ok());

  RunRecord later{{}, {{"a/1", h3}, {"a/3", h4}}, true};
  FilesSpool later_files;
  later_files.BeginSource("a");
  later_files.Add("a/1", 5, 5);
  const platform::Status written = WriteRunRecord(dir.path(), "20250101", later, later_files);
  ASSERT_TRUE(written.ok()) << written.message();

  RunRecord merged;
  bool found = false;
  ASSERT_TRUE(ReadRunRecord(dir.path() + "/20250101", &merged, &found).ok());
  ASSERT_TRUE(found);
  EXPECT_TRUE(merged.read_archives);
  ASSERT_EQ(merged.sources.size(), 2u);
  EXPECT_EQ(merged.sources[0].path, "b");
  EXPECT_EQ(merged.sources[1].path, "a");
  ASSERT_EQ(merged.sources[1].files.size(), 1u);  // a/2 is gone since
  EXPECT_EQ(merged.sources[1].files[0].size, 5u);
  ASSERT_EQ(merged.sums.size(), 3u);
  EXPECT_EQ(merged.sums[0].hex, h3);
  EXPECT_EQ(merged.sums[1].hex, h2);
  EXPECT_EQ(merged.sums[2].path, "a/3");
}

// Past a megabyte the list goes to a temporary file; what comes back is the same text, and
// the temporary file is gone with the spool.
TEST(RunRecordTest, ALongFileListComesBackWholeFromItsTemporaryFile) {
  testing_support::TempDir tmp;
  testing_support::ScopedEnv tmpdir("TMPDIR", tmp.path());
  testing_support::ScopedEnv tmp_windows("TMP", tmp.path());
  std::vector<RecordedSource> expected(1);
  expected[0].path = "home/u";
  {
    FilesSpool spool;
    spool.BeginSource("home/u");
    for (std::int64_t i = 0; i < 60000; ++i) {
      RecordedFile file{"home/u/folder " + std::to_string(i % 97) + "/file\t" + std::to_string(i),
                        static_cast<std::uint64_t>(i) * 7, 1577836800 - i};
      spool.Add(file.path, file.size, file.mtime);
      expected[0].files.push_back(std::move(file));
    }
    EXPECT_FALSE(testing_support::FilesBelow(tmp.path()).empty());
    for (int replay = 0; replay < 2; ++replay) {
      std::string text;
      const platform::Status status = spool.Replay([&](std::string_view part) {
        text.append(part);
        return platform::Status::Ok();
      });
      ASSERT_TRUE(status.ok()) << status.message();
      EXPECT_TRUE(text == FilesText(expected).substr(FilesText({}).size()));
    }
  }
  EXPECT_TRUE(testing_support::FilesBelow(tmp.path()).empty());
}

std::vector<std::string> Describe(const RestorePlan& plan) {
  std::vector<std::string> rows;
  for (const RestoreChoice& choice : plan.files) {
    rows.push_back(choice.path + "@" + std::to_string(choice.day));
  }
  for (const std::string& path : plan.missing) rows.push_back(path + " missing");
  return rows;
}

// Days newest first: 0 is the day restored.
TEST(RestorePlanTest, EachListedFileComesFromTheNewestDayHoldingIt) {
  const std::vector<std::vector<std::string>> held = {
      {"s/edited"},                         // day 3
      {"s/renamed", "s/edited"},            // day 2
      {"s/edited", "s/deleted", "s/kept"},  // day 1
  };
  const std::vector<std::string> listed = {"s/kept", "s/edited", "s/renamed", "s/lost"};
  EXPECT_THAT(Describe(PlanRestore(&listed, held)),
              ElementsAre("s/edited@0", "s/kept@2", "s/renamed@1", "s/lost missing"));
  // Without a record every file held comes back, deleted ones too.
  EXPECT_THAT(Describe(PlanRestore(nullptr, held)),
              ElementsAre("s/deleted@2", "s/edited@0", "s/kept@2", "s/renamed@1"));
  // Where letter case does not count, an upper-cased backup holds the file; it comes back
  // under the name the record gives.
  const std::vector<std::vector<std::string>> upper = {{"S/EDITED", "S/Kept"}};
  const std::vector<std::string> mixed = {"s/edited", "s/kept"};
  EXPECT_THAT(Describe(PlanRestore(&mixed, upper, false)), ElementsAre("s/edited@0", "s/kept@0"));
  EXPECT_THAT(Describe(PlanRestore(&mixed, upper, true)),
              ElementsAre("s/edited missing", "s/kept missing"));
  // Nothing held: every listed file is missing.
  EXPECT_THAT(
      Describe(PlanRestore(&listed, {})),
      ElementsAre("s/edited missing", "s/kept missing", "s/lost missing", "s/renamed missing"));
}

}  // namespace
}  // namespace engine
