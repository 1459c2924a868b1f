#include "tests/util/test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/temp_file.h"

namespace util::testing {

TempFolder::TempFolder() {
  std::string pattern = platform::TemporaryFolder() + "grebewick-util-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Tests take write permission away from some folders; give it back so all can go.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      ::chmod(it->path().c_str(), 0700);
    }
  }
  std::filesystem::remove_all(path_, ignored);
}

void ScopedEnvironment::Remember(const std::string& name) {
  if (saved_.count(name) != 0) return;
  const char* old = std::getenv(name.c_str());
  saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
  Remember(name);
  ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::Unset(const std::string& name) {
  Remember(name);
  ::unsetenv(name.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
  for (const auto& [name, value] : saved_) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
}

XdgSandbox::XdgSandbox() {
  environment_.Set("HOME", folder_ / "home");
  environment_.Set("XDG_DATA_HOME", data_home());
  environment_.Set("XDG_CONFIG_HOME", config_home());
  environment_.Set("XDG_DATA_DIRS", data_dir());
  environment_.Set("XDG_CONFIG_DIRS", config_dir());
  environment_.Unset("XDG_CURRENT_DESKTOP");
  environment_.Unset("LANGUAGE");
  environment_.Unset("LC_ALL");
  environment_.Unset("LC_MESSAGES");
  environment_.Set("LANG", "C");
}

void WriteFile(const std::string& path, const std::string& contents, int mode) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  out.close();
  ::chmod(path.c_str(), static_cast<mode_t>(mode));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace util::testing
