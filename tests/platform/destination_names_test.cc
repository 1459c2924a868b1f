#include <gtest/gtest.h>

#include "platform/destination.h"

namespace platform {
namespace {

TEST(NameProblemTest, WindowsRulesApplyOnlyWhereTheDestinationFollowsThem) {
  DestinationTraits windows;
  windows.windows_names = true;
  const std::string long_ascii(255, 'a');
  std::string long_kana;  // 255 characters, 765 bytes: still one UTF-16 unit each
  for (int i = 0; i < 255; ++i) long_kana += "\xE3\x81\x82";
  std::string long_emoji;  // 128 characters, two UTF-16 units each: 256 units
  for (int i = 0; i < 128; ++i) long_emoji += "\xF0\x9F\x98\x80";
  struct Row {
    std::string name;
    std::string problem;
  } rows[] = {
      {"report.txt", ""},
      {".hidden", ""},
      {"a:b", "it contains ':'"},
      {"what?", "it contains '?'"},
      {"a\\b", "it contains '\\'"},
      {"q\"uote", "it contains '\"'"},
      {"tab\there", "it contains a control character"},
      {"trailing.", "it ends with a dot"},
      {"trailing ", "it ends with a space"},
      {"caf\xE9", "it is not valid UTF-8 text"},
      {long_ascii, ""},
      {long_ascii + "a", "it is longer than 255 characters"},
      {long_kana, ""},
      {long_emoji, "it is longer than 255 characters"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NameProblem(row.name, windows), row.problem) << row.name;
    EXPECT_EQ(NameProblem(row.name, DestinationTraits()), "") << row.name;
  }
  DestinationTraits ascii = windows;
  ascii.ascii_names = true;
  EXPECT_EQ(NameProblem("report.txt", ascii), "");
  EXPECT_EQ(NameProblem(long_kana, ascii),
            "it has characters beyond ASCII, which this destination does not hold");
}

}  // namespace
}  // namespace platform
