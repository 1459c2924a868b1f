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

// Where the system reserves the device names (Windows), they are refused with or without an
// extension; elsewhere a FAT medium holds them.
TEST(NameProblemTest, DeviceNamesAreRefusedWhereTheSystemReservesThem) {
  DestinationTraits windows;
  windows.windows_names = true;
  windows.device_names = true;
  struct Row {
    const char* name;
    const char* problem;
  } rows[] = {
      {"report.txt", ""},
      {"CON", "Windows reserves it for the device CON"},
      {"con.txt", "Windows reserves it for the device con"},
      {"Aux .tar.gz", "Windows reserves it for the device Aux"},
      {"nul", "Windows reserves it for the device nul"},
      {"COM1.log", "Windows reserves it for the device COM1"},
      {"lpt9", "Windows reserves it for the device lpt9"},
      {"COM\u00B9", "Windows reserves it for the device COM\u00B9"},
      {"CONOUT$", "Windows reserves it for the device CONOUT$"},
      {"COM10", ""},
      {"CONSOLE.txt", ""},
      {"x.con", ""},
      {"a|b", "it contains '|'"},
      {"a/b", "it contains '/'"},
      {"", "it is empty"},
  };
  DestinationTraits fat = windows;
  fat.device_names = false;
  for (const Row& row : rows) {
    EXPECT_EQ(NameProblem(row.name, windows), row.problem) << row.name;
    if (std::string(row.problem).starts_with("Windows")) {
      EXPECT_EQ(NameProblem(row.name, fat), "");
    }
  }
  // Names the system's wide calls take whatever their bytes: no encoding is refused there.
  DestinationTraits wide = windows;
  wide.wide_names = true;
  EXPECT_EQ(NameProblem("caf\xE9", wide), "");
}

}  // namespace
}  // namespace platform
