#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "util/c_file.h"

namespace util {
namespace {

struct Case {
  std::string input;
  std::string expected;
};

// Runs `operation` on every row and names the failing row.
template <typename Operation>
void ExpectRows(const std::vector<Case>& rows, Operation operation) {
  for (const Case& row : rows) {
    EXPECT_EQ(operation(row.input), row.expected) << "input: \"" << row.input << "\"";
  }
}

TEST(CFilePathsTest, ExtensionIsTheUpperCasedTextAfterTheLastDotOfTheLastComponent) {
  cFile file;
  ExpectRows({{"a\\b.txt", "TXT"},
              {"a.tar.gz", "GZ"},
              {"name.", ""},
              {"x.d\\file", ""},
              {"C:\\dir.name\\file", ""},
              {"x.d/file", ""},
              {"dir/report.Txt", "TXT"},
              {"noextension", ""},
              {"", ""},
              {".bashrc", "BASHRC"},
              {"写真.jpeg", "JPEG"},
              {"café.ñandú", "ÑANDÚ"},
              {"weird.\xff\xfe", "\xff\xfe"}},
             [&](const std::string& s) { return file.Extension(s); });
}

TEST(CFilePathsTest, GetFileNameDropsEveryFolderAndDrive) {
  cFile file;
  ExpectRows({{"C:\\a\\b.txt", "b.txt"},
              {"C:b.txt", "b.txt"},
              {"a/b/c", "c"},
              {"C:\\a\\", ""},
              {"", ""},
              {"plain", "plain"},
              {"a\\b/c:d", "d"},
              {"folder/a & b, \"c\".txt", "a & b, \"c\".txt"}},
             [&](const std::string& s) { return file.GetFileName(s); });
}

// A file system whose current folder the test chooses.
class FixedCurrentFolder : public platform::FileSystemWrapper {
 public:
  explicit FixedCurrentFolder(std::string folder)
      : FileSystemWrapper(platform::FileSystem::Default()), folder_(std::move(folder)) {}
  std::string CurrentFolder() override { return folder_; }

 private:
  std::string folder_;
};

TEST(CFilePathsTest, GetPathNameGivesTheFolderPartAndKeepsDriveRoots) {
  FixedCurrentFolder fs("/home/user/work");
  cFile file(fs);
  ExpectRows({{"C:\\a\\b.txt", "C:\\a"},
              {"C:\\b.txt", "C:\\"},
              {"C:\\", "C:\\"},
              {"C:", "/home/user/work"},
              {"C:x\\", "C:x"},
              {"abc\\", "abc"},
              {"\\b.txt", ""},
              {"\\", ""},
              {"b.txt", "/home/user/work"},
              {"", "/home/user/work"},
              {"C:\\a\\b\\", "C:\\a\\b"},
              // "/" separates too, and on POSIX it stays as written.
              {"C:/a/b.txt", "C:/a"},
              {"/home/u/b.txt", "/home/u"},
              {"/b.txt", "/"},
              {"/", "/"},
              {"abc/", "abc"}},
             [&](const std::string& s) { return file.GetPathName(s); });
}

TEST(CFilePathsTest, GetPathNameOfTheRootCurrentFolderIsTheRoot) {
  FixedCurrentFolder fs("/");
  EXPECT_EQ(cFile(fs).GetPathName("name.txt"), "/");
}

TEST(CFilePathsTest, OmitPathNameShortensLongPathsForCaptions) {
  cFile file;
  ExpectRows({{"C:\\Program Files\\Tools\\Sub\\file.txt", "C:\\...\\Sub\\file.txt"},
              {"C:\\a\\file.txt", "C:\\a\\file.txt"},
              {"C:\\file.txt", "C:\\file.txt"},
              {"C:\\a\\", "C:\\a\\"},
              {"", ""},
              {"C:", "C:"},
              // Not shorter: the whole path, but with "&" doubled for the caption.
              {"C:\\a&b\\c\\f.txt", "C:\\a&&b\\c\\f.txt"},
              {"C:\\R&D\\Long folder name\\Q&A\\x&y.txt", "C:\\...\\Q&&A\\x&&y.txt"},
              // Unchanged because the name is found at the start: no doubling either.
              {"C:\\x&y", "C:\\x&y"},
              // POSIX paths have no "\": nothing to shorten.
              {"/home/user/documents/file.txt", "/home/user/documents/file.txt"},
              {"C:\\日本語のフォルダ\\さらに\\深い\\ファイル.txt", "C:\\...\\深い\\ファイル.txt"}},
             [&](const std::string& s) { return file.OmitPathName(s); });
}

TEST(CFilePathsTest, AddAndRemoveDirSep) {
  cFile file;
  ExpectRows({{"C:\\x", "C:\\x\\"},
              {"C:\\x\\", "C:\\x\\"},
              {"C:\\x   ", "C:\\x\\"},
              {"  lead", "  lead\\"},
              {"", "\\"},
              {"   ", "\\"}},
             [&](const std::string& s) { return file.AddDirSep(s); });
  ExpectRows({{"C:\\x\\", "C:\\x"},
              {"C:\\", "C:\\"},
              {"C:", "C:\\"},
              {"", "\\"},
              {"  C:\\x\\\\  ", "C:\\x\\"},
              {"ab\\", "ab\\"},
              {"é\\", "é\\"},
              {"abc\\", "abc"}},
             [&](const std::string& s) { return file.RemoveDirSep(s); });
}

TEST(CFilePathsTest, QuotesAreAddedForBlanksAndCommasAndStrippedOnceEachSide) {
  cFile file;
  ExpectRows({{"a b", "\"a b\""},
              {"a,b", "\"a,b\""},
              {"ab", "ab"},
              {"", ""},
              {"\"a b\"", "\"\"a b\"\""},
              {"a&b", "a&b"}},
             [&](const std::string& s) { return file.AddQuotesToFN(s); });
  ExpectRows({{"\"a b\"", "a b"},
              {"\"", ""},
              {"\"\"", ""},
              {"\"\"\"", "\""},
              {"a\"", "a"},
              {"\"a", "a"},
              {"a\"b", "a\"b"},
              {"", ""}},
             [&](const std::string& s) { return file.StripQuotes(s); });
}

TEST(CFilePathsTest, VeryLongTextIsHandledWholeBeyondSixteenBitPositions) {
  cFile file;
  for (std::size_t length : {32767u, 32768u, 100000u}) {
    std::string folder(length, 'd');
    std::string path = "C:\\" + folder + "\\sub\\name.ext";
    EXPECT_EQ(file.Extension(path), "EXT") << length;
    EXPECT_EQ(file.GetFileName(path), "name.ext") << length;
    EXPECT_EQ(file.GetPathName(path), "C:\\" + folder + "\\sub") << length;
    EXPECT_EQ(file.OmitPathName(path), "C:\\...\\sub\\name.ext") << length;
    EXPECT_EQ(file.RemoveDirSep(folder + "\\"), folder) << length;
  }
}

TEST(CFilePathsTest, FileVersionTextHasATwoDigitMinorAndASignedLastWord) {
  EXPECT_EQ(FormatFileVersion(0x00010002u, 5), "1.02.5");
  EXPECT_EQ(FormatFileVersion(0x000A0123u, 0), "10.291.0");
  EXPECT_EQ(FormatFileVersion(0xFFFF0000u, 0xFFFFFFFFu), "65535.00.-1");
}

TEST(CFilePathsTest, PosixFilesCarryNoVersionAndAreTheirOwnShortName) {
  cFile file;
  EXPECT_EQ(file.FileVersion("/bin/sh"), "");
  EXPECT_EQ(file.FileVersion("/no/such/file"), "");
  EXPECT_EQ(file.GetDosShortPathName("/no such/long name.txt"), "/no such/long name.txt");
}

}  // namespace
}  // namespace util
