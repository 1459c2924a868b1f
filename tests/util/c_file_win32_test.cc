// cFile and cReg on Windows: version resources, attributes, short and temporary names, the
// system registry with its classes root, and the system-information tool found through it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/search.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"
#include "util/c_file.h"
#include "util/c_reg.h"
#include "util/sys_info.h"

namespace util {
namespace {

using testing_support::Exists;
using testing_support::kArchive;
using testing_support::kHidden;
using testing_support::kReadOnly;
using testing_support::kSystem;
using testing_support::ProcessId;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(CFileWin32Test, ProgramFilesCarryTheVersionAndTheLibraryIsFoundBesideThem) {
  cFile file;
  const std::string folder = platform::ProgramFolder();
  EXPECT_EQ(file.FileVersion(folder + "\\grebewick-cli.exe"), "1.00.1");
  EXPECT_EQ(file.FileVersion(folder + "\\UnLHA32.DLL"), "1.00.1");
  if (*WINDOW_PROGRAM) {
    EXPECT_EQ(file.FileVersion(folder + "\\" WINDOW_PROGRAM), "1.00.1");
  }
  TempDir dir;
  WriteFile(dir / "plain.txt", "no resource");
  EXPECT_EQ(file.FileVersion(dir / "plain.txt"), "");
  EXPECT_TRUE(file.CheckExistFile("UnLHA32.DLL"));
}

TEST(CFileWin32Test, AttributesShortNamesAndTemporaryFiles) {
  TempDir dir;
  cFile file;
  using Row = std::pair<std::uint32_t, const char*>;
  for (auto [attributes, text] :
       {Row{kReadOnly | kArchive, "r--a"}, Row{kHidden | kArchive, "--ha"},
        Row{kSystem | kArchive, "-s-a"}}) {
    const std::string path = dir / (std::string(text) + ".txt");
    WriteFile(path, "x");
    testing_support::SetAttributesOf(path, attributes);
    EXPECT_EQ(file.AttribString(path), text);
    EXPECT_EQ(file.FileExists(path), attributes == (kReadOnly | kArchive)) << text;  // visible only
  }
  // The attributes, not the POSIX mapping: a backed-up file has no archive mark (where the
  // file system keeps it: Wine marks every file), and a system folder has its own.
  WriteFile(dir / "backed-up.txt", "x");
  testing_support::SetAttributesOf(dir / "backed-up.txt", 0x80);  // FILE_ATTRIBUTE_NORMAL
  EXPECT_EQ(file.AttribString(dir / "backed-up.txt"),
            testing_support::AttributesOf(dir / "backed-up.txt") & kArchive ? "---a" : "----");
  testing_support::MakeFolders(dir / "system folder");
  testing_support::SetAttributesOf(dir / "system folder",
                                   kSystem | kHidden | testing_support::kFolder);
  EXPECT_EQ(file.AttribString(dir / "system folder"), "-sh-");

  WriteFile(dir / "a long file name.text", "x");
  const std::string short_name = file.GetDosShortPathName(dir / "a long file name.text");
  EXPECT_EQ(short_name.find(' '), std::string::npos) << short_name;
  EXPECT_TRUE(Exists(short_name));
  EXPECT_EQ(file.GetDosShortPathName(dir / "missing file"), "\"" + dir / "missing file" + "\"");

  const std::string temp = file.TempFile("ignored");
  const std::string response = file.ResponceFile();
  EXPECT_TRUE(Exists(temp) && Exists(response));
  EXPECT_EQ(file.GetFileName(temp).substr(0, 3) + temp.substr(temp.size() - 4), "TMP.Lzh");
  EXPECT_EQ(file.GetFileName(response).substr(0, 3) + response.substr(response.size() - 4),
            "~VB.tmp");
  std::remove(temp.c_str());
  std::remove(response.c_str());
}

// Keys of the system registry that a test writes, removed again when it ends.
class RegistryKeysTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto [root, key] : written_) testing_support::RemoveRegistryKey(root, key);
  }
  void Written(std::uint32_t root, const std::string& key) { written_.emplace_back(root, key); }

  std::vector<std::pair<std::uint32_t, std::string>> written_;
  testing_support::ScriptedHost messages_;
};

TEST_F(RegistryKeysTest, StringsRoundTripAndAssociationsAreReadFromTheClassesRoot) {
  const std::string key = "Software\\Grebewick-test-" + std::to_string(ProcessId());
  Written(HKEY_CURRENT_USER, key);
  cReg reg(messages_);
  EXPECT_TRUE(reg.RegSetString(HKEY_CURRENT_USER, key, "Name", "変更されたファイル"));
  EXPECT_EQ(reg.RegGetString(HKEY_CURRENT_USER, key, "NAME"), "変更されたファイル");
  EXPECT_TRUE(reg.RegSetString(HKEY_CURRENT_USER, key, "long", std::string(256, 'b')));
  EXPECT_EQ(reg.RegGetString(HKEY_CURRENT_USER, key, "long"), "");  // does not fit

  const std::string extension = ".grbw" + std::to_string(ProcessId() % 1000);
  Written(HKEY_CLASSES_ROOT, extension);
  Written(HKEY_CLASSES_ROOT, "Grebewick.TestFile");
  ASSERT_TRUE(reg.RegSetString(HKEY_CLASSES_ROOT, extension, "", "Grebewick.TestFile"));
  ASSERT_TRUE(reg.RegSetString(HKEY_CLASSES_ROOT, "Grebewick.TestFile", "", "テスト ファイル"));
  ASSERT_TRUE(reg.RegSetString(HKEY_CLASSES_ROOT, "Grebewick.TestFile\\shell\\open\\command", "",
                               "\"C:\\Tools\\view.exe\" \"%1\" /r"));
  cFile file;
  const std::string name = "C:\\a b\\x" + extension;
  EXPECT_EQ(file.Executable(name), "\"C:\\Tools\\view.exe\" \"" + name + "\" /r");
  EXPECT_EQ(file.GetFileType(name), "テスト ファイル");
  EXPECT_EQ(file.GetFileType("x.grbwnone"), "GRBWNONE ﾌｧｲﾙ");
  EXPECT_TRUE(messages_.boxes.empty());
}

TEST_F(RegistryKeysTest, TheSystemInformationToolIsStartedFromWhereTheRegistrySays) {
  const std::string tool_key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
  const std::string folder_key = "SOFTWARE\\Microsoft\\Shared Tools Location";
  Written(HKEY_LOCAL_MACHINE, tool_key);
  Written(HKEY_LOCAL_MACHINE, folder_key);
  TempDir dir;
  auto tool = [&](const std::string& path) {
    testing_support::MakeFolders(path.substr(0, path.rfind('\\')));
    testing_support::CopyWholeFile(MARK_TOOL, path);
    return path;
  };
  // Started when registered, and then only then; the user is told otherwise.
  auto started = [&](const std::string& path) {
    messages_.boxes.clear();
    StartSysInfo(messages_);
    for (int i = 0; i < 200 && !path.empty() && !Exists(path + ".ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (path.empty()) {
      return messages_.boxes.size() == 1 &&
             messages_.boxes[0].text == "現時点ではｼｽﾃﾑ情報を使用できません";
    }
    return messages_.boxes.empty() && Exists(path + ".ran");
  };
  cReg reg(messages_);
  ASSERT_TRUE(reg.RegSetString(HKEY_LOCAL_MACHINE, folder_key, "MSINFO", dir / "tools"));
  EXPECT_TRUE(started(""));  // the folder holds no MSINFO32.EXE
  EXPECT_TRUE(started(tool(dir / "tools/MSINFO32.EXE")));
  ASSERT_TRUE(reg.RegSetString(HKEY_LOCAL_MACHINE, tool_key, "PATH", dir / "missing.exe"));
  EXPECT_TRUE(started(""));
  ASSERT_TRUE(reg.RegSetString(HKEY_LOCAL_MACHINE, tool_key, "PATH", tool(dir / "其他/info.exe")));
  EXPECT_TRUE(started(dir / "其他/info.exe"));
}

}  // namespace
}  // namespace util
