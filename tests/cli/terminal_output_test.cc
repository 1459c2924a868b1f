// What grebewick-cli writes: the progress line (display widths, fitting, the counts it
// shows), the records of standard output, the help text.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/cli/display_width.h"
#include "app/cli/progress_line.h"
#include "app/cli/terminal_text.h"
#include "app/cli/usage.h"

namespace cli {
namespace {

TEST(DisplayWidthTest, CountsWideAsTwoAndHalfWidthKatakanaAsOne) {
  const std::tuple<std::string, std::size_t> rows[] = {
      {"", 0},
      {"abc 123", 7},
      {"ｷｬﾝｾﾙ確認", 9},                    // five half-width katakana, two kanji
      {"対象ファイルコピー中・・・", 26},  // all wide, the middle dots included
      {"ＡＢ", 4},                         // full-width Latin
      {"か\xE3\x82\x99", 2},               // a combining voiced mark takes no column
      {"😀x", 3},
      {"caf\xE9 \x83\x5C", 7},  // a byte that is not UTF-8 shows as one replacement character
      {"한국", 4},
  };
  for (const auto& [text, width] : rows) EXPECT_EQ(DisplayWidth(text), width) << text;
}

TEST(FitToWidthTest, CutsAtCharacterBoundariesWithinTheColumns) {
  const std::tuple<std::string, std::size_t, std::string> rows[] = {
      {"short", 10, "short"},
      {"exactly10!", 10, "exactly10!"},
      {"a longer line of text", 10, "a longe..."},
      {"日本語のファイル名", 8, "日本..."},  // a third kanji would take 6 + 3 columns
      {"日本語のファイル名", 11, "日本語の..."},
      {"ｷｬﾝｾﾙ確認です", 8, "ｷｬﾝｾﾙ..."},
      {"か\xE3\x82\x99きくけこ", 6, "か\xE3\x82\x99..."},  // the mark stays with its letter
      {"abcdef", 2, "ab"},                                 // no room for the dots
      {"日本", 1, ""},
  };
  for (const auto& [text, columns, fitted] : rows) {
    EXPECT_EQ(FitToWidth(text, columns), fitted) << text << " in " << columns;
    EXPECT_LE(DisplayWidth(FitToWidth(text, columns)), columns);
  }
}

TEST(CopyStatusTest, ShowsFilesBytesRateAndTimeLeft) {
  EXPECT_EQ(FormatBytes(0), "0 B");
  EXPECT_EQ(FormatBytes(1023), "1023 B");
  EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
  EXPECT_EQ(FormatBytes(1024 * 1024 - 1), "1.0 MiB");
  EXPECT_EQ(FormatBytes(5ull << 40), "5.0 TiB");
  EXPECT_EQ(FormatDuration(0.4), "0:00");
  EXPECT_EQ(FormatDuration(754), "12:34");
  EXPECT_EQ(FormatDuration(3723), "1:02:03");

  CopyCounts counts;
  counts.files_done = 12;
  counts.files_total = 345;
  counts.bytes_done = 10 << 20;
  counts.bytes_total = 30 << 20;
  counts.seconds = 0.5;  // too early for a rate
  EXPECT_EQ(CopyStatus(counts), "12/345 files  10.0 MiB/30.0 MiB");
  counts.seconds = 4;
  EXPECT_EQ(CopyStatus(counts), "12/345 files  10.0 MiB/30.0 MiB  2.5 MiB/s  0:08 left");
  counts.bytes_done = 0;  // only empty files so far: no rate to tell
  EXPECT_EQ(CopyStatus(counts), "12/345 files  0 B/30.0 MiB");
}

// A folder member of an archive has an empty name: its record still has every field.
TEST(RecordFormatTest, KeepsEveryFieldEvenAnEmptyOne) {
  EXPECT_EQ(RecordFormat{false}.Record({"", "dir\\", "0"}), "\tdir\\\t0\n");
  EXPECT_EQ(RecordFormat{true}.Record({"", "dir\\", "0"}), std::string("\0dir\\\0"
                                                                       "0\0",
                                                                       8));
  EXPECT_EQ(RecordFormat{false}.Record({"a\nb\x7F", "c\xC2\x85"}), "a?b?\tc?\n");
  EXPECT_EQ(RecordFormat{true}.Record({"a\nb\x7F", "c\xC2\x85"}),
            std::string("a\nb\x7F\0c\xC2\x85\0", 9));
}

TEST(HelpTest, EveryLineFitsEightyColumns) {
  std::string_view help = HelpText();
  std::size_t lines = 0;
  while (!help.empty()) {
    std::size_t end = help.find('\n');
    EXPECT_LE(DisplayWidth(help.substr(0, end)), 80u) << help.substr(0, end);
    help.remove_prefix(end == std::string_view::npos ? help.size() : end + 1);
    ++lines;
  }
  EXPECT_GT(lines, 40u);
}

TEST(NearestOptionTest, SuggestsOnlyWhatLooksLikeASlip) {
  const std::vector<std::string> known = {"--source", "--dest",    "--compare", "--dry-run",
                                          "-n",       "--no",      "--quiet",   "-q",
                                          "--date",   "--verbose", "--exclude"};
  const std::tuple<std::string, std::string> rows[] = {
      {"--sorce", "--source"},          // a letter left out
      {"--sourcee", "--source"},        // one added
      {"--dset", "--dest"},             // two swapped
      {"--sorce=/home/u", "--source"},  // the value is not part of the name
      {"--dryrun", "--dry-run"},
      {"--comapre", "--compare"},
      {"--exlcude", "--exclude"},
      {"-x", ""},              // one letter: anything would be "near"
      {"--frobnicate", ""},    // another word altogether
      {"--source", ""},        // known: nothing to suggest
      {"--verbsoe-mode", ""},  // too many edits
  };
  for (const auto& [word, nearest] : rows) EXPECT_EQ(NearestOption(word, known), nearest) << word;
}

TEST(UnexpectedArgumentTest, NamesTheFirstUnknownOptionOrElseTheStrayArgument) {
  const std::vector<std::string> known = {"--source", "--dest"};
  EXPECT_EQ(UnexpectedArgumentText({"--sorce", "/home/u"}, known),
            "unknown option --sorce; did you mean --source?");
  EXPECT_EQ(UnexpectedArgumentText({"/home/u", "--frob=1"}, known), "unknown option --frob");
  EXPECT_EQ(UnexpectedArgumentText({"/home/u", "-"}, known), "unexpected argument /home/u");
}

}  // namespace
}  // namespace cli
