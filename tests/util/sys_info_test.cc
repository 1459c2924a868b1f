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
  // Runs StartSysInfo; `tool` is expected to start (it runs on its own: give it time to
  // leave its mark), or, when "", the user to be told.
  void ExpectStarted(const std::string& tool) {
    messages_.boxes.clear();
    StartSysInfo(messages_);
    if (tool.empty()) {
      ASSERT_EQ(messages_.boxes.size(), 1u);
      EXPECT_EQ(messages_.boxes[0].text, "現時点ではｼｽﾃﾑ情報を使用できません");
      EXPECT_EQ(messages_.boxes[0].flags, platform::kOkOnly);
      EXPECT_EQ(messages_.boxes[0].title, "Grebewick");
      return;
    }
    EXPECT_TRUE(messages_.boxes.empty());
    for (int i = 0; i < 200 && !Exists(tool + ".ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(Exists(tool + ".ran"));
  }

  util::testing::XdgSandbox sandbox_;
  testing_support::ScriptedHost messages_;
};

TEST_F(SysInfoTest, GetKeyValueReadsStringsAndNumbersThatFitItsBuffer) {
  platform::Registry& registry = platform::Registry::Default();
  const auto expand = platform::RegistryValue::String("%X%", platform::kRegExpandString);
  ASSERT_TRUE(
      registry.SetValue(HKEY_LOCAL_MACHINE, "k", "n", platform::RegistryValue::Number(~0u)).ok());
  ASSERT_TRUE(registry.SetValue(HKEY_LOCAL_MACHINE, "k", "e", expand).ok());
  ASSERT_TRUE(SetString("Soft\\Key", "text", "テキスト"));
  ASSERT_TRUE(SetString("k", "fits", std::string(1023, 'f')));
  ASSERT_TRUE(SetString("k", "long", std::string(1024, 'l')));
  // The answer, and what is left in a variable that held "kept".
  auto read = [](std::uint32_t root, const std::string& key, const std::string& name) {
    std::string value = "kept";
    return std::to_string(GetKeyValue(root, key, name, value)) + " " + value;
  };
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "soft\\key", "TEXT"), "1 テキスト");
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "k", "n"), "1 4294967295");
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "k", "fits"), "1 " + std::string(1023, 'f'));
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "k", "e"), "1 kept");  // other types
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "k", "long"), "0 ");
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "k", "missing"), "0 ");
  EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "Soft\\Nothing", "text"), "0 ");
  EXPECT_EQ(read(0x12345678u, "k", "text"), "0 ");
}

TEST_F(SysInfoTest, TheRegisteredToolStartsAndAnyOtherCaseTellsTheUser) {
  ExpectStarted("");  // nothing registered
  testing_support::WriteFile(sandbox_ / "not-executable", "#!/bin/sh\n");
  for (const std::string& path :
       {sandbox_ / "not-executable", sandbox_ / "missing", std::string()}) {
    ASSERT_TRUE(SetString(kToolKey, "PATH", path));
    ExpectStarted("");
  }
  // The registered path is started without further checks.
  ASSERT_TRUE(SetString(kToolKey, "PATH", MakeTool(sandbox_ / "tools/system info")));
  ExpectStarted(sandbox_ / "tools/system info");
}

TEST_F(SysInfoTest, TheToolFolderIsUsedOnlyWhenItHoldsTheTool) {
  ASSERT_TRUE(
      SetString("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", sandbox_ / "tool folder"));
  ExpectStarted("");
  ExpectStarted(MakeTool(sandbox_ / "tool folder/MSINFO32.EXE"));
}

TEST_F(SysInfoTest, RegisteringFindsTheDesktopsToolOnceAndNeverOverwrites) {
  sandbox_.Set("PATH", sandbox_ / "bin");
  EXPECT_FALSE(RegisterSystemInformationTool());  // nothing installed, nothing written
  EXPECT_FALSE(Exists(sandbox_.store()));
  MakeTool(sandbox_ / "bin/hardinfo");
  MakeTool(sandbox_ / "bin/kinfocenter");
  EXPECT_TRUE(RegisterSystemInformationTool());
  EXPECT_EQ(cReg().RegGetString(HKEY_LOCAL_MACHINE, kToolKey, "PATH"),
            sandbox_ / "bin/kinfocenter");
  ASSERT_TRUE(SetString(kToolKey, "PATH", "/opt/chosen/by/user"));
  EXPECT_TRUE(RegisterSystemInformationTool());
  EXPECT_EQ(cReg().RegGetString(HKEY_LOCAL_MACHINE, kToolKey, "PATH"), "/opt/chosen/by/user");
}

}  // namespace
}  // namespace util
