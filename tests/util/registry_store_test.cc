#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "tests/util/xdg_sandbox.h"

namespace platform {
namespace {

using testing_support::Exists;
using testing_support::FilesBelow;
using testing_support::ReadFile;
using testing_support::WriteFile;

class RegistryStoreTest : public ::testing::Test {
 protected:
  Status Set(std::string_view key, std::string_view name, std::string_view text) {
    return Registry::Default().SetValue(kCurrentUser, key, name, RegistryValue::String(text));
  }
  // The text of a value, or "<missing>".
  std::string Get(std::string_view key, std::string_view name) {
    RegistryValue value;
    Status status = Registry::Default().QueryValue(kCurrentUser, key, name, &value);
    if (status.IsNotFound()) return "<missing>";
    EXPECT_TRUE(status.ok()) << status.message();
    return value.data;
  }
  // Anything else in the store's folder is a leftover of a write.
  void ExpectNoLeftovers() {
    EXPECT_EQ(FilesBelow(sandbox_.data_home() + "/grebewick"),
              (std::vector<std::string>{"registry", "registry.lock"}));
  }

  util::testing::XdgSandbox sandbox_;
};

TEST_F(RegistryStoreTest, ValuesPersistInTheUsersDataFolder) {
  ASSERT_TRUE(Set("Software\\Grebewick", "Greeting", "やあ").ok());
  // Names keep the spelling they were first given.
  ASSERT_TRUE(Set("SOFTWARE\\grebewick", "GREETING", "こんにちは").ok());
  struct stat st;
  ASSERT_EQ(::stat(sandbox_.store().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const std::string text = ReadFile(sandbox_.store());
  EXPECT_NE(text.find("\"Grebewick\"\nvalue \"Greeting\" sz \"こんにちは\""), std::string::npos);
  ExpectNoLeftovers();

  // Without a usable XDG_DATA_HOME the store lives below HOME.
  sandbox_.Set("XDG_DATA_HOME", "relative/is/ignored");
  ASSERT_TRUE(Set("k", "v", "x").ok());
  EXPECT_TRUE(Exists(sandbox_ / "home/.local/share/grebewick/registry"));
}

TEST_F(RegistryStoreTest, AStoreThatCannotBeReadReadsAsEmptyAndIsNeverReplaced) {
  const std::string corrupt =
      "grebewick-registry 1\nkey HKEY_CURRENT_USER \"k\"\nvalue \"v\" sz \"x";
  WriteFile(sandbox_.store(), corrupt);
  EXPECT_EQ(Get("k", "v"), "<missing>");
  Status status = Set("k", "w", "new");
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(sandbox_.store()), std::string::npos) << status.message();
  EXPECT_EQ(ReadFile(sandbox_.store()), corrupt);
  ExpectNoLeftovers();

  std::filesystem::remove(sandbox_.store());
  std::filesystem::create_directories(sandbox_.store() + "/inside");
  EXPECT_EQ(Get("k", "v"), "<missing>");
  EXPECT_FALSE(Set("k", "v", "x").ok());
  EXPECT_TRUE(Exists(sandbox_.store() + "/inside"));
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
  ExpectNoLeftovers();
}

TEST_F(RegistryStoreTest, ProcessesWritingAtOnceLoseNothing) {
  auto name = [](int process, int value) { return std::to_string(process * 100 + value); };
  std::vector<pid_t> children;
  for (int p = 0; p < 4; ++p) {
    if (pid_t child = ::fork(); child != 0) {
      children.push_back(child);
      continue;
    }
    int failures = 0;
    for (int v = 0; v < 25; ++v)
      failures += Set("Shared\\Key", name(p, v), name(p, v)).ok() ? 0 : 1;
    _exit(failures);
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < 4; ++p) {
    for (int v = 0; v < 25; ++v) EXPECT_EQ(Get("shared\\key", name(p, v)), name(p, v));
  }
  ExpectNoLeftovers();
}

TEST_F(RegistryStoreTest, AStoreThatIsASymbolicLinkStaysOne) {
  WriteFile(sandbox_ / "dotfiles/registry", "");
  std::filesystem::create_directories(sandbox_.data_home() + "/grebewick");
  ASSERT_EQ(::symlink((sandbox_ / "dotfiles/registry").c_str(), sandbox_.store().c_str()), 0);
  ASSERT_TRUE(Set("k", "v", "through the link").ok());
  EXPECT_TRUE(std::filesystem::is_symlink(sandbox_.store()));
  EXPECT_NE(ReadFile(sandbox_ / "dotfiles/registry").find("through the link"), std::string::npos);
}

}  // namespace
}  // namespace platform
