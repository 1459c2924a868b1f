#include "util/c_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "platform/search.h"
#include "platform/vb_error.h"
#include "tests/util/xdg_sandbox.h"

namespace util {
namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

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
  // The rules as written hold where "\" separates and drives exist; where "/" alone
  // separates, a backslash and a colon are ordinary characters and "/" is the drive root.
  const bool drives = platform::Separator() == '\\';
  const struct {
    const char* name;
    std::string (cFile::*helper)(const std::string&) const;
    Rows rows;  // on every platform
    Rows windows;
    Rows posix;
  } helpers[] = {
      {"Extension",
       &cFile::Extension,
       {"a.tar.gz|GZ", "name.|", "x.d/file|", "noextension|", "|", "café.ñandú|ÑANDÚ",
        "weird.\xff\xfe|\xff\xfe"},
       {"a\\b.txt|TXT", "x.d\\file|", "C:\\dir.name\\file|"},
       {"a/b.txt|TXT", "x.d\\file|D\\FILE", "/dir.name/file|"}},
      {"GetFileName",
       &cFile::GetFileName,
       {"a/b/c|c"},
       {"C:\\a\\b.txt|b.txt", "C:b.txt|b.txt", "C:\\a\\|", "a\\b/c:d|d"},
       {"/a/b.txt|b.txt", "/a/|", "a\\b/c:d|c:d", "12:30.txt|12:30.txt"}},
      {"GetPathName",
       &cFile::GetPathName,
       {"b.txt|/home/user/work"},
       {"C:\\a\\b.txt|C:\\a", "C:\\b.txt|C:\\", "C:\\|C:\\", "C:|/home/user/work", "abc\\|abc",
        "\\b.txt|", "\\|", "C:/a/b.txt|C:\\a"},
       {"/home/u/b.txt|/home/u", "/b.txt|/", "/|/", "abc/|abc", "/home/a\\b.txt|/home",
        "a:/x|a:", "C:\\a\\b.txt|/home/user/work"}},
      // Shortened or not, every "&" is doubled for the caption, unless the name is found at
      // the start and the input comes back as it is.
      {"OmitPathName",
       &cFile::OmitPathName,
       {"|"},
       {"C:\\Program Files\\Tools\\Sub\\file.txt|C:\\...\\Sub\\file.txt",
        "C:\\a\\file.txt|C:\\a\\file.txt", "C:\\a&b\\c\\f.txt|C:\\a&&b\\c\\f.txt",
        "C:\\R&D\\Long folder name\\Q&A\\x&y.txt|C:\\...\\Q&&A\\x&&y.txt", "C:\\x&y|C:\\x&y",
        "C:\\日本語のフォルダ\\さらに\\深い\\ファイル.txt|C:\\...\\深い\\ファイル.txt"},
       {"/home/user/documents/file.txt|/.../documents/file.txt", "/a/file.txt|/a/file.txt",
        "/a&b/c/f.txt|/a&&b/c/f.txt", "/R&D/Long folder name/Q&A/x&y.txt|/.../Q&&A/x&&y.txt",
        "/日本語のフォルダ/さらに/深い/ファイル.txt|/.../深い/ファイル.txt",
        "C:\\Program Files\\Tools\\file.txt|C:\\Program Files\\Tools\\file.txt"}},
      {"AddDirSep",
       &cFile::AddDirSep,
       {},
       {"C:\\x|C:\\x\\", "C:\\x\\|C:\\x\\", "C:\\x   |C:\\x\\", "  lead|  lead\\", "|\\"},
       {"/tmp|/tmp/", "/tmp/|/tmp/", "/tmp   |/tmp/", "  lead|  lead/", "|/", "C:\\x|C:\\x/"}},
      // Never shorter than a drive's root folder.
      {"RemoveDirSep",
       &cFile::RemoveDirSep,
       {},
       {"C:\\x\\|C:\\x", "C:\\|C:\\", "C:|C:\\", "|\\", "  C:\\x\\\\  |C:\\x\\", "ab\\|ab\\",
        "abc\\|abc"},
       {"/x/|/x", "/|/", "|/", "  /x//  |/x/", "a/|a", "C:\\|C:\\"}},
      {"AddQuotesToFN",
       &cFile::AddQuotesToFN,
       {"a b|\"a b\"", "a,b|\"a,b\"", "ab|ab", "\"a b\"|\"\"a b\"\"", "a&b|a&b"},
       {},
       {}},
      {"StripQuotes",
       &cFile::StripQuotes,
       {"\"a b\"|a b", "\"|", "\"\"\"|\"", "a\"|a", "\"a|a", "a\"b|a\"b"},
       {},
       {}},
  };
  for (const auto& helper : helpers) {
    for (const Rows* rows : {&helper.rows, drives ? &helper.windows : &helper.posix}) {
      for (const std::string& row : *rows) {
        std::string input = row.substr(0, row.find('|'));
        EXPECT_EQ((file.*helper.helper)(input), row.substr(row.find('|') + 1))
            << helper.name << "(\"" << input << "\")";
      }
    }
  }
  FixedCurrentFolder root("/");
  EXPECT_EQ(cFile(root).GetPathName("name.txt"), "/");

  // Text beyond 16-bit positions is handled whole.
  const std::string separator(1, platform::Separator());
  const std::string drive_root = drives ? "C:\\" : "/";
  const std::string folder(70000, 'd');
  const std::string path = drive_root + folder + separator + "sub" + separator + "name.ext";
  EXPECT_EQ(file.Extension(path), "EXT");
  EXPECT_EQ(file.GetFileName(path), "name.ext");
  EXPECT_EQ(file.GetPathName(path), drive_root + folder + separator + "sub");
  EXPECT_EQ(file.OmitPathName(path),
            drive_root + "..." + separator + "sub" + separator + "name.ext");
}

TEST(CFilePathsTest, VersionsAndShortNames) {
  EXPECT_EQ(FormatFileVersion(0x00010002u, 5), "1.02.5");
  EXPECT_EQ(FormatFileVersion(0x000A0123u, 0), "10.291.0");
  EXPECT_EQ(FormatFileVersion(0xFFFF0000u, 0xFFFFFFFFu), "65535.00.-1");
  // POSIX files carry no version resource and are their own short name; a path that does
  // not exist has none, and comes back quoted when it needs quotes.
  cFile file;
  EXPECT_EQ(file.FileVersion("/bin/sh"), "");
  EXPECT_EQ(file.FileVersion("/no/such/file"), "");
  EXPECT_EQ(file.GetDosShortPathName("/"), "/");
  EXPECT_EQ(file.GetDosShortPathName("/no such/long name.txt"), "\"/no such/long name.txt\"");
  EXPECT_EQ(file.GetDosShortPathName("/no/such/file"), "/no/such/file");
}

// A folder of every kind of entry the operations tell apart.
class CFileDiskTest : public ::testing::Test {
 protected:
  CFileDiskTest() {
    for (const char* name : {"plain.txt", "report.txt", "README", "locked.txt", ".hidden.doc"}) {
      WriteFile(dir_ / name, "content");
    }
    ::chmod((dir_ / "locked.txt").c_str(), 0444);
    ::chmod((dir_ / ".hidden.doc").c_str(), 0444);
    ::mkdir((dir_ / "dir.d").c_str(), 0755);
    ::mkfifo((dir_ / "fifo").c_str(), 0644);
    ::mkfifo((dir_ / ".hidden-fifo").c_str(), 0444);
    ::symlink("plain.txt", (dir_ / "link").c_str());
    ::symlink("missing", (dir_ / "dangling").c_str());
  }

  util::testing::XdgSandbox dir_;  // also where a test points TMPDIR or PATH
  cFile file_;
};

TEST_F(CFileDiskTest, FileExistsSeesOrdinaryFilesOnlyAndDirExistsAnyListableFolder) {
  // One trailing separator is dropped; names are as stored; ".*" also matches no extension.
  for (const char* name :
       {"plain.txt", "plain.txt/", "locked.txt", "link", "*.txt", "rep?rt.*", "README.*"}) {
    EXPECT_TRUE(file_.FileExists(dir_ / name)) << name;
  }
  for (const char* name : {"PLAIN.TXT", ".hidden.doc", "dir.d", "fifo", "dangling", "missing.txt",
                           "plain.txt/inside", "*.doc", "*.d", "*.TXT", "nothing/*.*"}) {
    EXPECT_FALSE(file_.FileExists(dir_ / name)) << name;
  }
  EXPECT_FALSE(file_.FileExists(dir_ / (std::string(5000, '*') + "x")));
  EXPECT_FALSE(file_.FileExists(""));
  EXPECT_FALSE(file_.FileExists(std::string(40000, 'x')));

  EXPECT_TRUE(file_.DirExists(dir_ / "dir.d"));  // empty
  EXPECT_TRUE(file_.DirExists(dir_ / "dir.d/"));
  EXPECT_TRUE(file_.DirExists(dir_ / "dir.d   "));  // trailing blanks are ignored
  EXPECT_TRUE(file_.DirExists("/"));
  EXPECT_FALSE(file_.DirExists(dir_ / "plain.txt"));
  EXPECT_FALSE(file_.DirExists(dir_ / "missing"));
  EXPECT_FALSE(file_.DirExists(std::string(40000, 'x')));
}

TEST_F(CFileDiskTest, MakeDirsCreatesTheChainEndsTheCallersTextAndStopsAtAFile) {
  std::string dirs = dir_ / "a/b c/d&e";
  EXPECT_TRUE(file_.MakeDirs(dirs));
  EXPECT_EQ(dirs, dir_ / "a/b c/d&e/");
  EXPECT_TRUE(file_.DirExists(dirs));
  EXPECT_EQ(file_.GetDosShortPathName(dirs), dirs);  // it exists: no quotes

  dirs = dir_ / "plain.txt/y";
  EXPECT_FALSE(file_.MakeDirs(dirs));
  EXPECT_EQ(dirs, dir_ / "plain.txt/y/");
  EXPECT_EQ(ReadFile(dir_ / "plain.txt"), "content");

  std::string root;
  EXPECT_TRUE(file_.MakeDirs(root));  // "" names the root
  EXPECT_EQ(root, "/");
}

TEST_F(CFileDiskTest, AttribStringListsReadOnlySystemHiddenArchiveInThatOrder) {
  EXPECT_EQ(file_.AttribString(dir_ / "plain.txt"), "---a");
  EXPECT_EQ(file_.AttribString(dir_ / "locked.txt"), "r--a");
  EXPECT_EQ(file_.AttribString(dir_ / ".hidden.doc"), "r-ha");
  EXPECT_EQ(file_.AttribString(dir_ / "dir.d"), "----");
  EXPECT_EQ(file_.AttribString(dir_ / "fifo"), "-s--");
  EXPECT_EQ(file_.AttribString(dir_ / ".hidden-fifo"), "rsh-");
  try {
    file_.AttribString(dir_ / "missing");
    ADD_FAILURE() << "no error";
  } catch (const platform::VbError& error) {
    EXPECT_EQ(error.number(), platform::kFileNotFound);
  }
  EXPECT_THROW(file_.AttribString(""), platform::VbError);
}

TEST_F(CFileDiskTest, TempFileAndResponceFileCreateNewFilesAndReplaceNothing) {
  dir_.Set("TMPDIR", dir_.path());
  EXPECT_EQ(file_.TempPath(), dir_.path() + "/");
  std::string response = file_.ResponceFile();
  EXPECT_EQ(response.rfind(dir_ / "~VB", 0), 0u) << response;
  EXPECT_EQ(response.substr(response.size() - 4), ".tmp");
  EXPECT_EQ(ReadFile(response), "");

  // Unique numbers are handed out in sequence: take the ".Lzh" names of the next few.
  unsigned last = std::stoul(response.substr(response.size() - 8, 4), nullptr, 16);
  auto lzh = [&](unsigned i) {
    char name[16];
    std::snprintf(name, sizeof name, "TMP%04X.Lzh", (last + i) & 0xFFFF);
    return dir_ / name;
  };
  for (unsigned i = 1; i <= 5; ++i) WriteFile(lzh(i), "keep");
  EXPECT_EQ(file_.TempFile("ignored"), lzh(6));
  EXPECT_EQ(ReadFile(lzh(6)), "");
  for (unsigned i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(lzh(i)), "keep") << i;
  EXPECT_EQ(file_.TempFile(""), lzh(7));
  EXPECT_FALSE(file_.FileExists(dir_ / "TMP*.tmp"));  // renamed, and no attempt left a file
}

TEST_F(CFileDiskTest, WithoutAUsableTemporaryFolderTempFilesAreAnError) {
  dir_.Set("TMPDIR", "/" + std::string(600, 'x'));
  EXPECT_EQ(file_.TempPath(), "");
  EXPECT_THROW(file_.TempFile("lzh"), platform::VbError);
  dir_.Set("TMPDIR", dir_ / "plain.txt");
  EXPECT_THROW(file_.TempFile(""), platform::VbError);
  EXPECT_THROW(file_.ResponceFile(), platform::VbError);
}

TEST_F(CFileDiskTest, FileLockHoldsTheFileAgainstOtherLockersUntilUnlocked) {
  EXPECT_NO_THROW(file_.FileUnlock(0));  // and numbers not in use
  EXPECT_NO_THROW(file_.FileUnlock(511));
  EXPECT_THROW(file_.FileUnlock(-1), platform::VbError);
  EXPECT_THROW(file_.FileUnlock(512), platform::VbError);
  std::int16_t number = file_.FileLock(dir_ / "plain.txt");
  ASSERT_GT(number, 0);
  EXPECT_EQ(ReadFile(dir_ / "plain.txt"), "content");  // not truncated
  // Neither this process nor another can lock it again meanwhile.
  EXPECT_EQ(file_.FileLock(dir_ / "plain.txt"), 0);
  pid_t child = ::fork();
  if (child == 0) _exit(cFile().FileLock(dir_ / "plain.txt") == 0 ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  file_.FileUnlock(number);
  std::int16_t again = file_.FileLock(dir_ / "plain.txt");
  EXPECT_GT(again, 0);
  file_.FileUnlock(again);

  if (::geteuid() != 0) {
    EXPECT_EQ(file_.FileLock(dir_ / "locked.txt"), 0);
  }
  for (const char* refused : {".hidden.doc", "dir.d", "missing", "*.txt"}) {
    EXPECT_EQ(file_.FileLock(dir_ / refused), 0) << refused;
  }
  EXPECT_EQ(file_.FileLock(""), 0);
}

// A library planted in the current folder or on PATH would run with the user's rights:
// only the program's own folders count, and the path found is the one to load.
TEST_F(CFileDiskTest, CheckExistFileLooksOnlyWhereTheProgramKeepsItsLibraries) {
  const std::string name = "libgrebewick-probe-" + std::to_string(::getpid()) + ".so";
  WriteFile(dir_ / ("bin/" + name), "x");
  dir_.Set("PATH", dir_ / "bin");
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir((dir_ / "bin").c_str()), 0);
  std::string found = "stale";
  EXPECT_FALSE(file_.CheckExistFile(name, &found));
  EXPECT_EQ(found, "");

  const std::string beside = platform::ProgramFolder() + "/" + name;
  WriteFile(beside, "x");
  EXPECT_TRUE(file_.CheckExistFile(name, &found));
  EXPECT_EQ(found, beside);
  std::remove(beside.c_str());
  EXPECT_EQ(::chdir(previous), 0);
  EXPECT_FALSE(file_.CheckExistFile(""));
}

}  // namespace
}  // namespace util
