// The catalogue as grebewick-cli uses it: the run's texts translated line by line, the lines
// built around a path or a number through the text they were made from, paths untouched.

#include "app/cli/messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace cli {
namespace {

TEST(SubstituteTest, FillsEachHoleInOrderAndLeavesTheRest) {
  EXPECT_EQ(Substitute("%s of %s files", {"3", "7"}), "3 of 7 files");
  EXPECT_EQ(Substitute("no hole", {"x"}), "no hole");
  EXPECT_EQ(Substitute("%s and %s", {"only one"}), "only one and %s");
  EXPECT_EQ(Substitute("%s", {"100%s"}), "100%s");  // a value is never read as a format
}

// The catalogue the build made for the programs (share/locale beside bin/), opened as an
// English desktop's environment asks for it.
class EnglishCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("LC_ALL");
    ::unsetenv("LANGUAGE");
    ::setenv("LC_MESSAGES", "en_US.UTF-8", 1);
    OpenMessages();
    if (std::string(Tr("対象検索結果")) == "対象検索結果") {
      GTEST_SKIP() << "the locale en_US.UTF-8 is not installed (scripts/setup makes it)";
    }
  }
  void TearDown() override {
    ::setenv("LC_MESSAGES", "C.UTF-8", 1);
    OpenMessages();
  }
};

TEST_F(EnglishCatalogueTest, TranslatesFixedLinesAndKeepsPathLines) {
  EXPECT_EQ(
      TrLines(
          "ファイルのコピーに失敗しました。\r/home/u/メモ.txt\r残りのファイルをコピーしますか？"),
      "Could not copy the file.\r/home/u/メモ.txt\rCopy the remaining files?");
  EXPECT_EQ(TrLine("ｷｬﾝｾﾙ確認"), "Confirm cancel");
  EXPECT_EQ(TrLine("/a/path/that/is/no/id"), "/a/path/that/is/no/id");
  EXPECT_EQ(TrLines(""), "");
}

TEST_F(EnglishCatalogueTest, TranslatesLinesBuiltAroundAVariablePart) {
  EXPECT_EQ(TrLine("'/m/old files.lzh' のﾊﾝﾄﾞﾙの取得に失敗したのサ"),
            "Could not open the archive '/m/old files.lzh'.");
  EXPECT_EQ(TrLine("ヽ( ´ー｀)丿ﾌｯ"), "Its members are not read.");
  EXPECT_EQ(TrLine("未知のｴﾗｰです。&H8021"), "Unknown error &H8021.");
  EXPECT_EQ(TrLine("OLD.LZH読込中"), "Reading OLD.LZH");
  EXPECT_EQ(TrLine("OLD.LZH展開中"), "Unpacking OLD.LZH");
  // Nothing where the variable part goes: not a line the run builds.
  EXPECT_EQ(TrLine("読込中"), "読込中");
  // The program's own English texts are ids too, translated to themselves.
  EXPECT_STREQ(Tr("[Y/n] "), "[Y/n] ");
}

TEST(CatalogueTest, JapaneseAndCLocalesPrintTheTextsAsWritten) {
  for (const char* locale : {"ja_JP.UTF-8", "C.UTF-8", "C"}) {
    ::unsetenv("LANGUAGE");
    ::setenv("LC_ALL", locale, 1);
    OpenMessages();
    EXPECT_STREQ(Tr("対象検索結果"), "対象検索結果") << locale;
    EXPECT_EQ(TrLine("'/m/a.lzh' のﾊﾝﾄﾞﾙの取得に失敗したのサ"),
              "'/m/a.lzh' のﾊﾝﾄﾞﾙの取得に失敗したのサ")
        << locale;
  }
  ::unsetenv("LC_ALL");
}

}  // namespace
}  // namespace cli
