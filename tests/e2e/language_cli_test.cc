// grebewick-cli speaks one language at a time, the one the locale asks for: the texts as
// written under Japanese and C locales, English under an English one.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::HasSubstr;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;

bool HaveLocale(const std::string& name) {
  return std::system(("locale -a 2>/dev/null | grep -qix '" + name + "'").c_str()) == 0;
}

// The program under `environment` alone, as a session's locale settings give it.
ProgramResult InLocale(const std::vector<std::string>& environment,
                       const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"/usr/bin/env", "-u",          "LC_ALL", "-u",  "LANGUAGE",
                                      "-u",           "LC_MESSAGES", "-u",     "LANG"};
  command.insert(command.end(), environment.begin(), environment.end());
  command.push_back(GREBEWICK_CLI);
  command.insert(command.end(), arguments.begin(), arguments.end());
  return RunProgram(command);
}

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "src/same.txt", "same", kT);
    WriteFile(dir_ / "cmp/same.txt", "same", kT);
  }
  std::vector<std::string> NothingToCopy() {
    return {"--dest",     dir_ / "out", "--mkpath",  "--source",
            dir_ / "src", "--compare",  dir_ / "cmp"};
  }
  std::vector<std::string> MissingArchive() { return {"--list-archive", dir_ / "gone.lzh"}; }

  TempDir dir_;
};

TEST_F(LanguageTest, JapaneseAndCLocalesPrintTheTextsAsWritten) {
  const std::vector<std::vector<std::string>> as_written = {
      {"LANG=ja_JP.UTF-8"},
      {"LANG=C.UTF-8"},
      {"LANG=C"},
      // As Japanese desktops set it: English only after Japanese.
      {"LANG=ja_JP.UTF-8", "LANGUAGE=ja:en"},
      {"LANG=C.UTF-8", "LANGUAGE=en"},  // gettext ignores LANGUAGE under C
  };
  for (const std::vector<std::string>& environment : as_written) {
    const std::string lang = environment.back();
    ProgramResult nothing = InLocale(environment, NothingToCopy());
    EXPECT_EQ(nothing.exit_status, 0) << lang;
    EXPECT_EQ(nothing.err, "grebewick-cli: 対象検索結果: コピー対象となるファイルはありません。\n")
        << lang;
    ProgramResult missing = InLocale(environment, MissingArchive());
    EXPECT_EQ(missing.exit_status, 4) << lang;
    EXPECT_EQ(missing.err, "grebewick-cli: Grebewick: '" + dir_ / "gone.lzh" +
                               "' のﾊﾝﾄﾞﾙの取得に失敗したのサ\n"
                               "ヽ( ´ー｀)丿ﾌｯ\n"
                               "grebewick-cli: " +
                               dir_ / "gone.lzh" + " is not a readable LZH archive\n")
        << lang;
  }
}

TEST_F(LanguageTest, AnEnglishLocaleGetsEveryLineInEnglish) {
  if (!HaveLocale("en_US.utf8")) GTEST_SKIP() << "en_US.UTF-8 is not installed (scripts/setup)";
  const std::vector<std::vector<std::string>> english = {
      {"LANG=en_US.UTF-8"},
      {"LANG=ja_JP.UTF-8", "LC_MESSAGES=en_US.UTF-8"},
      {"LANG=en_US.UTF-8", "LANGUAGE=en"},
      {"LANG=ja_JP.UTF-8", "LANGUAGE=fr:en:ja"},
  };
  for (const std::vector<std::string>& environment : english) {
    ProgramResult nothing = InLocale(environment, NothingToCopy());
    EXPECT_EQ(nothing.err, "grebewick-cli: Search result: There are no files to copy.\n")
        << environment[0];
    ProgramResult missing = InLocale(environment, MissingArchive());
    EXPECT_EQ(missing.err, "grebewick-cli: Grebewick: Could not open the archive '" +
                               dir_ / "gone.lzh" +
                               "'.\nIts members are not read.\n"
                               "grebewick-cli: " +
                               dir_ / "gone.lzh" + " is not a readable LZH archive\n")
        << environment[0];
  }
  // A copy's summary and the help speak English in every locale; numbers keep their form.
  WriteFile(dir_ / "src/new.txt", std::string(1536, 'x'), kT);
  ProgramResult copied = InLocale({"LANG=en_US.UTF-8"}, NothingToCopy());
  EXPECT_THAT(copied.err, HasSubstr("1 of 1 files copied to "));
  EXPECT_THAT(copied.err, HasSubstr(", 1.5 KiB in "));
}

}  // namespace
