#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/vb_error.h"
#include "tests/util/test_support.h"
#include "util/c_file.h"

namespace util {
namespace {

using testing::PathExists;
using testing::ScopedEnvironment;
using testing::TempFolder;
using testing::WriteFile;

class CFileDiskTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  cFile file_;
};

TEST_F(CFileDiskTest, FileExistsSeesOrdinaryFilesOnly) {
  WriteFile(folder_ / "plain.txt", "x");
  WriteFile(folder_ / ".hidden", "x");
  WriteFile(folder_ / "read-only.txt", "x", 0444);
  WriteFile(folder_ / "a b, & \"c\".txt", "x");
  WriteFile(folder_ / "\xff\xfe.bin", "x");
  ::mkdir((folder_ / "folder").c_str(), 0755);
  ::mkfifo((folder_ / "fifo").c_str(), 0644);
  ::symlink("plain.txt", (folder_ / "link-to-file").c_str());
  ::symlink("missing", (folder_ / "dangling").c_str());

  EXPECT_TRUE(file_.FileExists(folder_ / "plain.txt"));
  EXPECT_TRUE(file_.FileExists(folder_ / "plain.txt/"));  // one trailing separator is dropped
  EXPECT_TRUE(file_.FileExists(folder_ / "read-only.txt"));
  EXPECT_TRUE(file_.FileExists(folder_ / "a b, & \"c\".txt"));
  EXPECT_TRUE(file_.FileExists(folder_ / "\xff\xfe.bin"));
  EXPECT_TRUE(file_.FileExists(folder_ / "link-to-file"));
  EXPECT_FALSE(file_.FileExists(folder_ / "PLAIN.TXT"));  // names are as stored on POSIX
  EXPECT_FALSE(file_.FileExists(folder_ / ".hidden"));
  EXPECT_FALSE(file_.FileExists(folder_ / "folder"));
  EXPECT_FALSE(file_.FileExists(folder_ / "fifo"));
  EXPECT_FALSE(file_.FileExists(folder_ / "dangling"));
  EXPECT_FALSE(file_.FileExists(folder_ / "missing.txt"));
  EXPECT_FALSE(file_.FileExists(folder_ / "plain.txt/inside"));
  EXPECT_FALSE(file_.FileExists(""));
  EXPECT_FALSE(file_.FileExists(std::string(40000, 'x')));
}

TEST_F(CFileDiskTest, FileExistsMatchesWildcardsAgainstOrdinaryFiles) {
  WriteFile(folder_ / "report.txt", "x");
  WriteFile(folder_ / ".secret.doc", "x");
  WriteFile(folder_ / "README", "x");
  ::mkdir((folder_ / "dir.d").c_str(), 0755);

  EXPECT_TRUE(file_.FileExists(folder_ / "*.txt"));
  EXPECT_TRUE(file_.FileExists(folder_ / "rep?rt.*"));
  EXPECT_TRUE(file_.FileExists(folder_ / "README.*"));  // ".*" also matches no extension
  EXPECT_FALSE(file_.FileExists(folder_ / "*.doc"));    // hidden
  EXPECT_FALSE(file_.FileExists(folder_ / "*.d"));      // a folder
  EXPECT_FALSE(file_.FileExists(folder_ / "*.TXT"));
  EXPECT_FALSE(file_.FileExists(folder_ / "nothing/*.*"));
  EXPECT_FALSE(file_.FileExists(folder_ / (std::string(5000, '*') + "x")));
}

TEST_F(CFileDiskTest, DirExistsForAnyFolderThatCanBeListed) {
  ::mkdir((folder_ / "empty").c_str(), 0755);
  ::mkdir((folder_ / "with blank").c_str(), 0755);
  WriteFile(folder_ / "file.txt", "x");
  EXPECT_TRUE(file_.DirExists(folder_ / "empty"));
  EXPECT_TRUE(file_.DirExists(folder_ / "empty/"));
  EXPECT_TRUE(file_.DirExists(folder_ / "empty   "));  // trailing blanks are ignored
  EXPECT_TRUE(file_.DirExists(folder_ / "with blank"));
  EXPECT_TRUE(file_.DirExists("/"));
  EXPECT_FALSE(file_.DirExists(folder_ / "file.txt"));
  EXPECT_FALSE(file_.DirExists(folder_ / "missing"));
  EXPECT_FALSE(file_.DirExists(std::string(40000, 'x')));
}

TEST_F(CFileDiskTest, MakeDirsCreatesTheWholeChainAndEndsTheCallersTextWithASeparator) {
  std::string dirs = folder_ / "a/b c/d&e";
  EXPECT_TRUE(file_.MakeDirs(dirs));
  EXPECT_EQ(dirs, folder_ / "a/b c/d&e/");
  EXPECT_TRUE(file_.DirExists(folder_ / "a/b c/d&e"));

  // Existing folders (and the root) are fine; running again changes nothing.
  EXPECT_TRUE(file_.MakeDirs(dirs));
  EXPECT_EQ(dirs, folder_ / "a/b c/d&e/");
}

TEST_F(CFileDiskTest, MakeDirsStopsAtAFileInTheWayAndKeepsWhatItMade) {
  WriteFile(folder_ / "x/blocker", "x");
  std::string dirs = folder_ / "x/blocker/y";
  EXPECT_FALSE(file_.MakeDirs(dirs));
  EXPECT_EQ(dirs, folder_ / "x/blocker/y/");
  EXPECT_EQ(testing::ReadFile(folder_ / "x/blocker"), "x");

  std::string relative_root;
  EXPECT_TRUE(file_.MakeDirs(relative_root));  // "" names the root
  EXPECT_EQ(relative_root, "/");
}

TEST_F(CFileDiskTest, AttribStringListsReadOnlySystemHiddenArchiveInThatOrder) {
  WriteFile(folder_ / "plain.txt", "x");
  WriteFile(folder_ / "locked.txt", "x", 0444);
  WriteFile(folder_ / ".hidden-ro", "x", 0444);
  ::mkdir((folder_ / ".config").c_str(), 0755);
  ::mkfifo((folder_ / "fifo").c_str(), 0644);
  ::mkfifo((folder_ / ".hidden-fifo").c_str(), 0444);

  EXPECT_EQ(file_.AttribString(folder_ / "plain.txt"), "---a");
  EXPECT_EQ(file_.AttribString(folder_ / "locked.txt"), "r--a");
  EXPECT_EQ(file_.AttribString(folder_ / ".hidden-ro"), "r-ha");
  EXPECT_EQ(file_.AttribString(folder_ / ".config"), "--h-");
  EXPECT_EQ(file_.AttribString(folder_ / "fifo"), "-s--");
  EXPECT_EQ(file_.AttribString(folder_ / ".hidden-fifo"), "rsh-");
}

TEST_F(CFileDiskTest, AttribStringOfAMissingFileIsAnError) {
  try {
    file_.AttribString(folder_ / "missing");
    FAIL() << "no error";
  } catch (const platform::VbError& error) {
    EXPECT_EQ(error.number(), platform::kFileNotFound);
  }
  EXPECT_THROW(file_.AttribString(""), platform::VbError);
}

TEST_F(CFileDiskTest, TempPathFollowsTmpdirAndRefusesTooLongFolders) {
  ScopedEnvironment environment;
  environment.Set("TMPDIR", folder_.path());
  EXPECT_EQ(file_.TempPath(), folder_.path() + "/");
  environment.Set("TMPDIR", "/" + std::string(600, 'x'));
  EXPECT_EQ(file_.TempPath(), "");
  EXPECT_THROW(file_.TempFile("lzh"), platform::VbError);
}

TEST_F(CFileDiskTest, TempFileAndResponceFileCreateNewEmptyFiles) {
  ScopedEnvironment environment;
  environment.Set("TMPDIR", folder_.path());
  std::string temp = file_.TempFile("ignored");
  EXPECT_EQ(temp.rfind(folder_.path() + "/TMP", 0), 0u) << temp;
  EXPECT_EQ(temp.substr(temp.size() - 4), ".Lzh");
  EXPECT_TRUE(file_.FileExists(temp));
  EXPECT_FALSE(PathExists(temp.substr(0, temp.size() - 4) + ".tmp"));  // renamed, not copied

  std::string second = file_.TempFile("");
  EXPECT_NE(second, temp);

  std::string response = file_.ResponceFile();
  EXPECT_EQ(response.rfind(folder_.path() + "/~VB", 0), 0u) << response;
  EXPECT_EQ(response.substr(response.size() - 4), ".tmp");
  EXPECT_EQ(testing::ReadFile(response), "");
}

TEST_F(CFileDiskTest, TempFileNeverReplacesAnExistingLzhFile) {
  ScopedEnvironment environment;
  environment.Set("TMPDIR", folder_.path());
  // Unique numbers are handed out in sequence: the number after the response file's is the
  // next one TempFile tries. Take the ".Lzh" names of the next fifty.
  std::string response = file_.ResponceFile();
  unsigned last = std::stoul(response.substr(response.size() - 8, 4), nullptr, 16);
  char name[32];
  for (unsigned i = 1; i <= 50; ++i) {
    std::snprintf(name, sizeof name, "TMP%04X.Lzh", (last + i) & 0xFFFF);
    WriteFile(folder_ / name, "keep");
  }
  std::string temp = file_.TempFile("");
  std::snprintf(name, sizeof name, "TMP%04X.Lzh", (last + 51) & 0xFFFF);
  EXPECT_EQ(temp, folder_ / name);
  for (unsigned i = 1; i <= 50; ++i) {
    std::snprintf(name, sizeof name, "TMP%04X.Lzh", (last + i) & 0xFFFF);
    EXPECT_EQ(testing::ReadFile(folder_ / name), "keep") << name;
  }
  EXPECT_FALSE(file_.FileExists(folder_ / "TMP*.tmp"));  // no attempt left a file behind
}

TEST_F(CFileDiskTest, TempFileWhereNoFileCanBeMadeIsAnError) {
  ScopedEnvironment environment;
  WriteFile(folder_ / "not-a-folder", "x");
  environment.Set("TMPDIR", folder_ / "not-a-folder");
  EXPECT_THROW(file_.TempFile(""), platform::VbError);
  EXPECT_THROW(file_.ResponceFile(), platform::VbError);
}

TEST_F(CFileDiskTest, FileLockHoldsTheFileAgainstOtherLockersUntilUnlocked) {
  WriteFile(folder_ / "data.bin", "content");
  std::int16_t number = file_.FileLock(folder_ / "data.bin");
  ASSERT_GT(number, 0);
  EXPECT_EQ(testing::ReadFile(folder_ / "data.bin"), "content");  // not truncated

  // Neither this process nor another can lock it again meanwhile.
  EXPECT_EQ(file_.FileLock(folder_ / "data.bin"), 0);
  pid_t child = ::fork();
  if (child == 0) _exit(cFile().FileLock(folder_ / "data.bin") == 0 ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  file_.FileUnlock(number);
  std::int16_t again = file_.FileLock(folder_ / "data.bin");
  EXPECT_GT(again, 0);
  file_.FileUnlock(again);
}

TEST_F(CFileDiskTest, FileLockRefusesWhatItCannotOpenForWriting) {
  WriteFile(folder_ / "read-only", "x", 0444);
  WriteFile(folder_ / ".hidden", "x");
  WriteFile(folder_ / "a.txt", "x");
  ::mkdir((folder_ / "folder").c_str(), 0755);
  if (::geteuid() != 0) {
    EXPECT_EQ(file_.FileLock(folder_ / "read-only"), 0);
  }
  EXPECT_EQ(file_.FileLock(folder_ / ".hidden"), 0);
  EXPECT_EQ(file_.FileLock(folder_ / "folder"), 0);
  EXPECT_EQ(file_.FileLock(folder_ / "missing"), 0);
  EXPECT_EQ(file_.FileLock(folder_ / "*.txt"), 0);
  EXPECT_EQ(file_.FileLock(""), 0);
}

TEST_F(CFileDiskTest, FileUnlockIgnoresZeroAndUnusedNumbersButNotInvalidOnes) {
  EXPECT_NO_THROW(file_.FileUnlock(0));
  EXPECT_NO_THROW(file_.FileUnlock(200));
  EXPECT_NO_THROW(file_.FileUnlock(511));
  EXPECT_THROW(file_.FileUnlock(-1), platform::VbError);
  EXPECT_THROW(file_.FileUnlock(512), platform::VbError);
}

TEST_F(CFileDiskTest, CheckExistFileSearchesThePath) {
  ScopedEnvironment environment;
  WriteFile(folder_ / "bin/libgrebewick-probe.so", "x");
  environment.Set("PATH", folder_ / "bin");
  EXPECT_TRUE(file_.CheckExistFile("libgrebewick-probe.so"));
  EXPECT_FALSE(file_.CheckExistFile("libgrebewick-nowhere.so"));
  EXPECT_FALSE(file_.CheckExistFile(""));
}

}  // namespace
}  // namespace util
