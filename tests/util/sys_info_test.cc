#include "util/sys_info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/util/test_support.h"
#include "util/c_reg.h"

namespace util {
namespace {

using testing::PathExists;
using testing::RecordingMessageBox;
using testing::WriteFile;
using testing::XdgSandbox;

constexpr char kToolKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr char kUnavailable[] = "現時点ではｼｽﾃﾑ情報を使用できません";

class SysInfoTest : public ::testing::Test {
 protected:
  bool SetString(const std::string& key, const std::string& name, const std::string& text) {
    return cReg(messages_).RegSetString(HKEY_LOCAL_MACHINE, key, name, text);
  }
  // A program that leaves a mark beside itself when it runs.
  std::string MakeTool(const std::string& path) {
    WriteFile(path, "#!/bin/sh\ntouch \"$0.ran\"\n", 0755);
    return path;
  }
  // The tool runs on its own; give it time to leave its mark.
  static bool Ran(const std::string& tool) {
    for (int i = 0; i < 200 && !PathExists(tool + ".ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return PathExists(tool + ".ran");
  }

  XdgSandbox sandbox_;
  RecordingMessageBox messages_;
};

TEST_F(SysInfoTest, GetKeyValueReadsStringsAndNumbers) {
  platform::Registry& registry = platform::Registry::Default();
  ASSERT_TRUE(SetString("Soft\\Key", "text", "テキスト"));
  ASSERT_TRUE(registry
                  .SetValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "n",
                            platform::RegistryValue::Number(0xFFFFFFFFu))
                  .ok());
  ASSERT_TRUE(registry
                  .SetValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "e",
                            platform::RegistryValue::String("%X%", platform::kRegExpandString))
                  .ok());
  std::string value = "before";
  EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, "soft\\key", "TEXT", value));
  EXPECT_EQ(value, "テキスト");
  EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "n", value));
  EXPECT_EQ(value, "4294967295");
  value = "kept";
  EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "e", value));  // other types
  EXPECT_EQ(value, "kept");
  EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "missing", value));
  EXPECT_EQ(value, "");
  value = "x";
  EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Nothing", "text", value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(GetKeyValue(0x12345678u, "Soft\\Key", "text", value));
}

TEST_F(SysInfoTest, GetKeyValueRefusesStringsLongerThanItsBuffer) {
  ASSERT_TRUE(SetString("k", "fits", std::string(1023, 'f')));
  ASSERT_TRUE(SetString("k", "long", std::string(1024, 'l')));
  std::string value;
  EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, "k", "fits", value));
  EXPECT_EQ(value.size(), 1023u);
  EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, "k", "long", value));
  EXPECT_EQ(value, "");
}

TEST_F(SysInfoTest, WithoutARegisteredToolTheUserIsTold) {
  StartSysInfo(messages_);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, kUnavailable);
  EXPECT_EQ(messages_.shown[0].flags, platform::kOkOnly);
  EXPECT_EQ(messages_.shown[0].title, "Grebewick");
}

TEST_F(SysInfoTest, TheRegisteredPathIsStartedWithoutFurtherChecks) {
  std::string tool = MakeTool(sandbox_.root() + "/tools/system info");
  ASSERT_TRUE(SetString(kToolKey, "PATH", tool));
  StartSysInfo(messages_);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(Ran(tool));
}

TEST_F(SysInfoTest, AToolThatCannotStartIsReportedLikeAMissingOne) {
  WriteFile(sandbox_.root() + "/not-executable", "#!/bin/sh\n", 0644);
  for (const std::string& path :
       {sandbox_.root() + "/not-executable", sandbox_.root() + "/missing", std::string()}) {
    ASSERT_TRUE(SetString(kToolKey, "PATH", path));
    messages_.shown.clear();
    StartSysInfo(messages_);
    ASSERT_EQ(messages_.shown.size(), 1u) << path;
    EXPECT_EQ(messages_.shown[0].text, kUnavailable);
  }
}

TEST_F(SysInfoTest, TheToolFolderIsUsedOnlyWhenItHoldsTheTool) {
  std::string folder = sandbox_.root() + "/tool folder";
  ASSERT_TRUE(SetString(kFolderKey, "MSINFO", folder));
  StartSysInfo(messages_);
  ASSERT_EQ(messages_.shown.size(), 1u);

  std::string tool = MakeTool(folder + "/MSINFO32.EXE");
  messages_.shown.clear();
  StartSysInfo(messages_);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(Ran(tool));
}

TEST_F(SysInfoTest, RegisteringFindsTheDesktopsToolOnceAndNeverOverwrites) {
  std::string bin = sandbox_.root() + "/bin";
  sandbox_.environment().Set("PATH", bin);
  EXPECT_FALSE(RegisterSystemInformationTool());  // nothing installed, nothing written
  EXPECT_FALSE(PathExists(sandbox_.store()));

  MakeTool(bin + "/hardinfo");
  MakeTool(bin + "/kinfocenter");
  EXPECT_TRUE(RegisterSystemInformationTool());
  std::string value;
  ASSERT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, kToolKey, "PATH", value));
  EXPECT_EQ(value, bin + "/kinfocenter");

  ASSERT_TRUE(SetString(kToolKey, "PATH", "/opt/chosen/by/user"));
  EXPECT_TRUE(RegisterSystemInformationTool());
  ASSERT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, kToolKey, "PATH", value));
  EXPECT_EQ(value, "/opt/chosen/by/user");
}

}  // namespace
}  // namespace util
