#include "util/sys_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/support/scripted_host.h"
#include "tests/util/xdg_sandbox.h"
#include "util/c_reg.h"

namespace util {
namespace {

using testing_support::Exists;

constexpr char kToolKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

class SysInfoTest : public ::testing::Test {
 protected:
  bool SetString(const std::string& key, const std::string& name, const std::string& text) {
    return cReg(messages_).RegSetString(HKEY_LOCAL_MACHINE, key, name, text);
  }
  // A program that leaves a mark beside itself when it runs.
  static std::string MakeTool(const std::string& path) {
    testing_support::WriteFile(path, "#!/bin/sh\ntouch \"$0.ran\"\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }
  // The tool runs on its own; give it time to leave its mark.
  static bool Ran(const std::string& tool) {
    for (int i = 0; i < 200 && !Exists(tool + ".ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Exists(tool + ".ran");
  }
  void ExpectStartedOrTold(const std::string& tool) {
    messages_.boxes.clear();
    StartSysInfo(messages_);
    if (!tool.empty()) {
      EXPECT_TRUE(messages_.boxes.empty());
      EXPECT_TRUE(Ran(tool));
      return;
    }
    ASSERT_EQ(messages_.boxes.size(), 1u);
    EXPECT_EQ(messages_.boxes[0].text, "現時点ではｼｽﾃﾑ情報を使用できません");
    EXPECT_EQ(messages_.boxes[0].flags, platform::kOkOnly);
    EXPECT_EQ(messages_.boxes[0].title, "Grebewick");
  }

  util::testing::XdgSandbox sandbox_;
  testing_support::ScriptedHost messages_;
};

TEST_F(SysInfoTest, GetKeyValueReadsStringsAndNumbersThatFitItsBuffer) {
  platform::Registry& registry = platform::Registry::Default();
  ASSERT_TRUE(SetString("Soft\\Key", "text", "テキスト"));
  ASSERT_TRUE(SetString("Soft\\Key", "fits", std::string(1023, 'f')));
  ASSERT_TRUE(SetString("Soft\\Key", "long", std::string(1024, 'l')));
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
  EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "fits", value));
  EXPECT_EQ(value.size(), 1023u);
  value = "kept";
  EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Key", "e", value));  // other types
  EXPECT_EQ(value, "kept");
  for (const char* unread : {"long", "missing"}) {
    value = "x";
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Key", unread, value));
    EXPECT_EQ(value, "") << unread;
  }
  EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, "Soft\\Nothing", "text", value));
  EXPECT_FALSE(GetKeyValue(0x12345678u, "Soft\\Key", "text", value));
}

TEST_F(SysInfoTest, TheRegisteredToolStartsAndAnyOtherCaseTellsTheUser) {
  ExpectStartedOrTold("");  // nothing registered
  testing_support::WriteFile(sandbox_ / "not-executable", "#!/bin/sh\n");
  for (const std::string& path :
       {sandbox_ / "not-executable", sandbox_ / "missing", std::string()}) {
    ASSERT_TRUE(SetString(kToolKey, "PATH", path));
    ExpectStartedOrTold("");
  }
  // The registered path is started without further checks.
  ASSERT_TRUE(SetString(kToolKey, "PATH", MakeTool(sandbox_ / "tools/system info")));
  ExpectStartedOrTold(sandbox_ / "tools/system info");
}

TEST_F(SysInfoTest, TheToolFolderIsUsedOnlyWhenItHoldsTheTool) {
  ASSERT_TRUE(SetString(kFolderKey, "MSINFO", sandbox_ / "tool folder"));
  ExpectStartedOrTold("");
  ExpectStartedOrTold(MakeTool(sandbox_ / "tool folder/MSINFO32.EXE"));
}

TEST_F(SysInfoTest, RegisteringFindsTheDesktopsToolOnceAndNeverOverwrites) {
  sandbox_.Set("PATH", sandbox_ / "bin");
  EXPECT_FALSE(RegisterSystemInformationTool());  // nothing installed, nothing written
  EXPECT_FALSE(Exists(sandbox_.store()));

  MakeTool(sandbox_ / "bin/hardinfo");
  MakeTool(sandbox_ / "bin/kinfocenter");
  EXPECT_TRUE(RegisterSystemInformationTool());
  std::string value;
  ASSERT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, kToolKey, "PATH", value));
  EXPECT_EQ(value, sandbox_ / "bin/kinfocenter");

  ASSERT_TRUE(SetString(kToolKey, "PATH", "/opt/chosen/by/user"));
  EXPECT_TRUE(RegisterSystemInformationTool());
  ASSERT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, kToolKey, "PATH", value));
  EXPECT_EQ(value, "/opt/chosen/by/user");
}

}  // namespace
}  // namespace util
