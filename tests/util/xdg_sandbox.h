#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace util::testing {

// A temporary folder that HOME and every XDG folder point into, so that the registry store
// and the desktop's associations are the test's own. Every variable set through Set() gets
// its old value back when the sandbox goes away.
class XdgSandbox : public testing_support::TempDir {
 public:
  XdgSandbox() {
    Set("HOME", *this / "home");
    Set("XDG_DATA_HOME", *this / "data");
    Set("XDG_CONFIG_HOME", *this / "config");
    Set("XDG_DATA_DIRS", *this / "system-data");
    Set("XDG_CONFIG_DIRS", *this / "system-config");
    for (const char* name : {"XDG_CURRENT_DESKTOP", "LANGUAGE", "LC_ALL", "LC_MESSAGES"}) {
      Set(name, std::nullopt);
    }
    Set("LANG", "C");
  }
  ~XdgSandbox() {
    for (const auto& [name, value] : saved_) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
  }

  // std::nullopt unsets the variable.
  void Set(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    saved_.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
    value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }
  std::string data_home() const { return *this / "data"; }
  std::string store() const { return *this / "data/grebewick/registry"; }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace util::testing
