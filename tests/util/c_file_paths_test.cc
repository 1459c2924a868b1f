#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "util/c_file.h"

namespace util {
namespace {

// A file system whose current folder the test chooses.
class FixedCurrentFolder : public platform::FileSystemWrapper {
 public:
  explicit FixedCurrentFolder(std::string folder)
      : FileSystemWrapper(platform::FileSystem::Default()), folder_(std::move(folder)) {}
  std::string CurrentFolder() override { return folder_; }

 private:
  std::string folder_;
};

// Each row is "input|expected".
using Rows = std::vector<std::string>;

TEST(CFilePathsTest, StringHelpersFollowThePathRules) {
  FixedCurrentFolder fs("/home/user/work");
  const cFile file(fs);
  const struct {
    const char* name;
    std::string (cFile::*helper)(const std::string&) const;
    Rows rows;
  } helpers[] = {
      {"Extension",
       &cFile::Extension,
       {"a\\b.txt|TXT", "a.tar.gz|GZ", "name.|", "x.d\\file|", "C:\\dir.name\\file|", "x.d/file|",
        "noextension|", "|", "café.ñandú|ÑANDÚ", "weird.\xff\xfe|\xff\xfe"}},
      {"GetFileName",
       &cFile::GetFileName,
       {"C:\\a\\b.txt|b.txt", "C:b.txt|b.txt", "a/b/c|c", "C:\\a\\|", "a\\b/c:d|d"}},
      // "/" separates too, and on POSIX it stays as written.
      {"GetPathName",
       &cFile::GetPathName,
       {"C:\\a\\b.txt|C:\\a", "C:\\b.txt|C:\\", "C:\\|C:\\", "C:|/home/user/work", "abc\\|abc",
        "\\b.txt|", "\\|", "b.txt|/home/user/work", "C:/a/b.txt|C:/a", "/home/u/b.txt|/home/u",
        "/b.txt|/", "/|/"}},
      // Shortened or not, every "&" is doubled for the caption, unless the name is found at
      // the start and the input comes back as it is.
      {"OmitPathName",
       &cFile::OmitPathName,
       {"C:\\Program Files\\Tools\\Sub\\file.txt|C:\\...\\Sub\\file.txt",
        "C:\\a\\file.txt|C:\\a\\file.txt", "|", "C:\\a&b\\c\\f.txt|C:\\a&&b\\c\\f.txt",
        "C:\\R&D\\Long folder name\\Q&A\\x&y.txt|C:\\...\\Q&&A\\x&&y.txt", "C:\\x&y|C:\\x&y",
        "/home/user/documents/file.txt|/home/user/documents/file.txt",
        "C:\\日本語のフォルダ\\さらに\\深い\\ファイル.txt|C:\\...\\深い\\ファイル.txt"}},
      {"AddDirSep",
       &cFile::AddDirSep,
       {"C:\\x|C:\\x\\", "C:\\x\\|C:\\x\\", "C:\\x   |C:\\x\\", "  lead|  lead\\", "|\\"}},
      {"RemoveDirSep",
       &cFile::RemoveDirSep,
       {"C:\\x\\|C:\\x", "C:\\|C:\\", "C:|C:\\", "|\\", "  C:\\x\\\\  |C:\\x\\", "ab\\|ab\\",
        "abc\\|abc"}},
      {"AddQuotesToFN",
       &cFile::AddQuotesToFN,
       {"a b|\"a b\"", "a,b|\"a,b\"", "ab|ab", "\"a b\"|\"\"a b\"\"", "a&b|a&b"}},
      {"StripQuotes",
       &cFile::StripQuotes,
       {"\"a b\"|a b", "\"|", "\"\"\"|\"", "a\"|a", "\"a|a", "a\"b|a\"b"}},
  };
  for (const auto& helper : helpers) {
    for (const std::string& row : helper.rows) {
      std::string input = row.substr(0, row.find('|'));
      EXPECT_EQ((file.*helper.helper)(input), row.substr(row.find('|') + 1))
          << helper.name << "(\"" << input << "\")";
    }
  }
  FixedCurrentFolder root("/");
  EXPECT_EQ(cFile(root).GetPathName("name.txt"), "/");
}

TEST(CFilePathsTest, TextBeyondSixteenBitPositionsIsHandledWhole) {
  cFile file;
  std::string folder(70000, 'd');
  std::string path = "C:\\" + folder + "\\sub\\name.ext";
  EXPECT_EQ(file.Extension(path), "EXT");
  EXPECT_EQ(file.GetFileName(path), "name.ext");
  EXPECT_EQ(file.GetPathName(path), "C:\\" + folder + "\\sub");
  EXPECT_EQ(file.OmitPathName(path), "C:\\...\\sub\\name.ext");
  EXPECT_EQ(file.RemoveDirSep(folder + "\\"), folder);
}

TEST(CFilePathsTest, VersionsAndShortNames) {
  EXPECT_EQ(FormatFileVersion(0x00010002u, 5), "1.02.5");
  EXPECT_EQ(FormatFileVersion(0x000A0123u, 0), "10.291.0");
  EXPECT_EQ(FormatFileVersion(0xFFFF0000u, 0xFFFFFFFFu), "65535.00.-1");
  // POSIX files carry no version resource and are their own short name.
  cFile file;
  EXPECT_EQ(file.FileVersion("/bin/sh"), "");
  EXPECT_EQ(file.FileVersion("/no/such/file"), "");
  EXPECT_EQ(file.GetDosShortPathName("/no such/long name.txt"), "/no such/long name.txt");
}

}  // namespace
}  // namespace util
