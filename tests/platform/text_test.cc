#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/path_rules.h"

namespace platform {
namespace {

TEST(UpperCaseTest, MapsLettersOfEveryCommonScript) {
  EXPECT_EQ(UpperCase("readme.txt"), "README.TXT");
  EXPECT_EQ(UpperCase("café ÿ"), "CAFÉ Ÿ");
  EXPECT_EQ(UpperCase("αβγ ς"), "ΑΒΓ Σ");
  EXPECT_EQ(UpperCase("привет ё"), "ПРИВЕТ Ё");
  EXPECT_EQ(UpperCase("ａｂｃ"), "ＡＢＣ");
  EXPECT_EQ(UpperCase("ﾌｫﾙﾀﾞ 日本語 123/"), "ﾌｫﾙﾀﾞ 日本語 123/");
}

TEST(UpperCaseTest, PassesBytesThatAreNotUtf8ThroughUnchanged) {
  const std::string latin1 = "caf\xE9.txt";  // Latin-1 é, not UTF-8
  EXPECT_EQ(UpperCase(latin1), "CAF\xE9.TXT");
  EXPECT_EQ(UpperCase("\x83\x5C"), "\x83\x5C");            // Shift_JIS ソ
  EXPECT_EQ(UpperCase("a\xC3"), "A\xC3");                  // truncated sequence
  EXPECT_EQ(UpperCase("\xED\xA0\x80z"), "\xED\xA0\x80Z");  // encoded surrogate
}

TEST(IsValidUtf8Test, RejectsOverlongSurrogateAndTruncatedForms) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("ｷｬﾝｾﾙ確認 é 😀"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
  EXPECT_FALSE(IsValidUtf8("\xE3\x81"));
  EXPECT_FALSE(IsValidUtf8("\x83\x5C"));
}

TEST(MatchesWildcardTest, FollowsTheListingRulesOfFileNames) {
  EXPECT_TRUE(MatchesWildcard("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesWildcard("noext", "*.*"));
  EXPECT_TRUE(MatchesWildcard("readme", "readme.*"));
  EXPECT_TRUE(MatchesWildcard("日本語.txt", "???.txt"));    // "?" is one character
  EXPECT_TRUE(MatchesWildcard("caf\xE9.txt", "caf?.txt"));  // or one byte that is not UTF-8
  EXPECT_FALSE(MatchesWildcard("backup.lha", "*.lzh"));
  EXPECT_FALSE(MatchesWildcard("ab", "?"));
  // Letter case counts where names are case-sensitive (POSIX), not on Windows.
  EXPECT_EQ(MatchesWildcard("Backup.LZH", "*.lzh"), !NamesAreCaseSensitive());
}

TEST(PrintableTextTest, HidesEveryControlCharacterAndKeepsOtherBytes) {
  EXPECT_EQ(PrintableText("a\tb\nc\x1B[2Jd\x7F"), "a?b?c?[2Jd?");
  EXPECT_EQ(PrintableText("x\xC2\x9B"
                          "31my \xC2\x85z"),
            "x?31my ?z");                                          // C1 CSI and NEL
  EXPECT_EQ(PrintableText("\xC2\xA0ﾌｫﾙﾀﾞ é"), "\xC2\xA0ﾌｫﾙﾀﾞ é");  // U+00A0 stays
  EXPECT_EQ(PrintableText("caf\xE9\x9B.txt"), "caf\xE9\x9B.txt");  // not UTF-8: bytes kept
}

}  // namespace
}  // namespace platform
