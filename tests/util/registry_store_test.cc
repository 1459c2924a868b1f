#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "tests/util/test_support.h"

namespace platform {
namespace {

using util::testing::PathExists;
using util::testing::ReadFile;
using util::testing::WriteFile;
using util::testing::XdgSandbox;

class RegistryStoreTest : public ::testing::Test {
 protected:
  Status Set(std::string_view key, std::string_view name, std::string_view text) {
    return Registry::Default().SetValue(kCurrentUser, key, name, RegistryValue::String(text));
  }
  // The text of a value, or "<missing>".
  std::string Get(std::string_view key, std::string_view name, std::uint32_t root = kCurrentUser) {
    RegistryValue value;
    Status status = Registry::Default().QueryValue(root, key, name, &value);
    if (status.IsNotFound()) return "<missing>";
    EXPECT_TRUE(status.ok()) << status.message();
    return value.data;
  }
  // Every file of the store's folder but the store and its lock: leftovers of a write.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(sandbox_.data_home() + "/grebewick")) {
      std::string name = entry.path().filename().string();
      if (name != "registry" && name != "registry.lock") names.push_back(name);
    }
    return names;
  }

  XdgSandbox sandbox_;
};

TEST_F(RegistryStoreTest, ValuesPersistInTheUsersDataFolder) {
  ASSERT_TRUE(Set("Software\\Grebewick", "Greeting", "こんにちは").ok());
  ASSERT_TRUE(Set("Software\\Grebewick", "", "default").ok());
  EXPECT_EQ(Get("SOFTWARE\\grebewick", "greeting"), "こんにちは");
  EXPECT_EQ(Get("Software\\Grebewick", ""), "default");
  EXPECT_EQ(Get("Software\\Grebewick", "other"), "<missing>");
  EXPECT_EQ(Get("Software\\Nothing", ""), "<missing>");

  struct stat st;
  ASSERT_EQ(::stat(sandbox_.store().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(ReadFile(sandbox_.store()).find("こんにちは"), std::string::npos);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RegistryStoreTest, WithoutXdgDataHomeTheStoreLivesBelowHome) {
  sandbox_.environment().Set("XDG_DATA_HOME", "relative/is/ignored");
  ASSERT_TRUE(Set("k", "v", "x").ok());
  EXPECT_TRUE(PathExists(sandbox_.root() + "/home/.local/share/grebewick/registry"));
}

TEST_F(RegistryStoreTest, RootsAndKeyPathsAreChecked) {
  RegistryValue value = RegistryValue::String("x");
  EXPECT_EQ(Registry::Default().SetValue(0x12345678u, "k", "v", value).code(), kInvalidArgument);
  EXPECT_EQ(Registry::Default().SetValue(kCurrentUser, "a\\\\b", "v", value).code(),
            kInvalidArgument);
  EXPECT_EQ(Registry::Default().QueryValue(0x80000004u, "k", "v", &value).code(), kInvalidArgument);
  EXPECT_FALSE(PathExists(sandbox_.store()));
}

TEST_F(RegistryStoreTest, ACorruptStoreReadsAsEmptyAndIsNeverOverwritten) {
  const std::string corrupt =
      "grebewick-registry 1\nkey HKEY_CURRENT_USER \"k\"\nvalue \"v\" sz \"x";
  WriteFile(sandbox_.store(), corrupt, 0600);
  EXPECT_EQ(Get("k", "v"), "<missing>");
  Status status = Set("k", "w", "new");
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(sandbox_.store()), std::string::npos) << status.message();
  EXPECT_EQ(ReadFile(sandbox_.store()), corrupt);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RegistryStoreTest, AStoreThatIsNotAFileReadsAsEmptyAndRefusesWrites) {
  std::filesystem::create_directories(sandbox_.store() + "/inside");
  EXPECT_EQ(Get("k", "v"), "<missing>");
  EXPECT_FALSE(Set("k", "v", "x").ok());
  EXPECT_TRUE(PathExists(sandbox_.store() + "/inside"));
}

TEST_F(RegistryStoreTest, AFailedWriteLeavesTheOldStoreIntact) {
  ASSERT_TRUE(Set("k", "old", "kept").ok());
  std::string before = ReadFile(sandbox_.store());
  // A child whose file-size limit is too small for the new store: its write fails midway.
  pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {64, 64};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Status status = Set("k", "big", std::string(100000, 'x'));
    _exit(status.ok() ? 1 : status.code() == kDiskFull ? 0 : 2);
  }
  int wait_status = 0;
  ::waitpid(child, &wait_status, 0);
  ASSERT_TRUE(WIFEXITED(wait_status));
  EXPECT_EQ(WEXITSTATUS(wait_status), 0);
  EXPECT_EQ(ReadFile(sandbox_.store()), before);
  EXPECT_EQ(Get("k", "old"), "kept");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RegistryStoreTest, ProcessesWritingAtOnceLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kValuesEach = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t child = ::fork();
    if (child == 0) {
      int failures = 0;
      for (int v = 0; v < kValuesEach; ++v) {
        std::string name = std::to_string(p) + "-" + std::to_string(v);
        failures += Set("Shared\\Key", name, name).ok() ? 0 : 1;
      }
      _exit(failures);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int v = 0; v < kValuesEach; ++v) {
      std::string name = std::to_string(p) + "-" + std::to_string(v);
      EXPECT_EQ(Get("shared\\key", name), name);
    }
  }
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RegistryStoreTest, AStoreThatIsASymbolicLinkStaysOne) {
  std::string real = sandbox_.root() + "/dotfiles/registry";
  WriteFile(real, "", 0600);
  std::filesystem::create_directories(sandbox_.data_home() + "/grebewick");
  ASSERT_EQ(::symlink(real.c_str(), sandbox_.store().c_str()), 0);
  ASSERT_TRUE(Set("k", "v", "through the link").ok());
  EXPECT_TRUE(std::filesystem::is_symlink(sandbox_.store()));
  EXPECT_NE(ReadFile(real).find("through the link"), std::string::npos);
}

TEST_F(RegistryStoreTest, NumbersAndOtherTypesKeepTheirType) {
  Registry& registry = Registry::Default();
  ASSERT_TRUE(registry.SetValue(kLocalMachine, "k", "n", RegistryValue::Number(42)).ok());
  ASSERT_TRUE(
      registry.SetValue(kLocalMachine, "k", "e", RegistryValue::String("%X%", kRegExpandString))
          .ok());
  RegistryValue value;
  ASSERT_TRUE(registry.QueryValue(kLocalMachine, "K", "N", &value).ok());
  EXPECT_EQ(value.type, kRegNumber);
  EXPECT_EQ(value.AsNumber(), 42u);
  ASSERT_TRUE(registry.QueryValue(kLocalMachine, "k", "e", &value).ok());
  EXPECT_EQ(value.type, kRegExpandString);
  EXPECT_EQ(value.QuerySize(), 4u);
}

}  // namespace
}  // namespace platform
