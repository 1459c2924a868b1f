// What grebewick-cli writes: the progress line (display widths, fitting, the counts it
// shows), the records of standard output, the help text.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/cli/display_width.h"
#include "app/cli/progress_line.h"
#include "app/cli/terminal_host.h"
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

// The copy rate is bytes over the time spent copying: a question that waited a second for its
// answer does not slow it down.
TEST(TerminalProgressTest, TheRateLeavesOutTimeSpentWaitingForAnAnswer) {
  engine::RunStats stats;
  stats.selected = 2;
  stats.bytes_selected = 8 << 20;
  stats.bytes_copied = 4 << 20;
  std::chrono::steady_clock::duration waited{};
  std::FILE* counted = std::tmpfile();
  std::FILE* left_out = std::tmpfile();
  ASSERT_TRUE(counted != nullptr && left_out != nullptr);
  auto plain = MakeTerminalProgress(counted, &stats);
  auto asking = MakeTerminalProgress(left_out, &stats, &waited);
  plain->SetLabel2("a.txt");  // the copy phase's first line starts its clock
  asking->SetLabel2("a.txt");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  waited += std::chrono::milliseconds(1100);  // all of it spent on a question
  plain->Refresh();
  asking->Refresh();
  auto last_line = [](std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    return text.substr(text.rfind("\r\033[K") + 4);
  };
  EXPECT_THAT(last_line(counted), ::testing::HasSubstr("MiB/s"));
  EXPECT_THAT(last_line(left_out), ::testing::Not(::testing::HasSubstr("/s")));
  EXPECT_THAT(last_line(left_out), ::testing::StartsWith("0/2 files  4.0 MiB/8.0 MiB"));
  plain.reset();  // a view clears its line as it goes
  asking.reset();
  std::fclose(counted);
  std::fclose(left_out);
}

// Questions on a terminal: the answers people type, and Ctrl-C while one waits.
TEST(AnswerFromTerminalTest, TypedAnswersDefaultsAndInterrupts) {
  using platform::kAnswerNo;
  using platform::kAnswerYes;
  struct Row {
    std::vector<std::string> typed;  // "^C" an interrupt, "EOF" the end of input
    int default_answer, on_interrupt, expected, prompts;
  };
  const Row rows[] = {
      {{"y\n"}, kAnswerNo, kAnswerNo, kAnswerYes, 1},
      {{"はい\n"}, kAnswerNo, kAnswerNo, kAnswerYes, 1},
      {{"no \n"}, kAnswerYes, kAnswerYes, kAnswerNo, 1},
      {{"\n"}, kAnswerNo, kAnswerYes, kAnswerNo, 1},
      {{"EOF"}, kAnswerYes, kAnswerNo, kAnswerYes, 1},
      {{"maybe\n", "n\n"}, kAnswerYes, kAnswerYes, kAnswerNo, 2},
      // The cancel question: a second Ctrl-C is its Yes, whatever the default.
      {{"^C"}, kAnswerNo, kAnswerYes, kAnswerYes, 1},
      {{"maybe\n", "^C"}, kAnswerNo, kAnswerYes, kAnswerYes, 2},
      // Go on after a failed copy? Ctrl-C stops.
      {{"^C"}, kAnswerYes, kAnswerNo, kAnswerNo, 1},
  };
  for (const Row& row : rows) {
    std::size_t next = 0;
    int prompts = 0;
    auto read = [&](std::string* line) {
      const std::string& typed = row.typed.at(next++);
      if (typed == "^C") return ReadResult::kInterrupted;
      if (typed == "EOF") return ReadResult::kEnd;
      *line = typed;
      return ReadResult::kLine;
    };
    auto prompt = [&] { ++prompts; };
    EXPECT_EQ(AnswerFromTerminal(read, prompt, row.default_answer, row.on_interrupt), row.expected)
        << row.typed.back();
    EXPECT_EQ(prompts, row.prompts) << row.typed.back();
  }
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
