#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace util::testing {

// A fresh folder below the temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Sets environment variables for the life of the object and puts the old values back.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

 private:
  void Remember(const std::string& name);
  std::map<std::string, std::optional<std::string>> saved_;
};

// Points every XDG folder (and HOME) into a temporary folder, so that the registry store
// and the desktop's associations are the test's own.
class XdgSandbox {
 public:
  XdgSandbox();
  const std::string& root() const { return folder_.path(); }
  std::string data_home() const { return folder_ / "data"; }
  std::string config_home() const { return folder_ / "config"; }
  std::string data_dir() const { return folder_ / "system-data"; }
  std::string config_dir() const { return folder_ / "system-config"; }
  std::string store() const { return data_home() + "/grebewick/registry"; }
  ScopedEnvironment& environment() { return environment_; }

 private:
  TempFolder folder_;
  ScopedEnvironment environment_;
};

// Writes `contents` to `path`, creating its missing folders.
void WriteFile(const std::string& path, const std::string& contents, int mode = 0644);
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);

// Records every message box and answers OK.
class RecordingMessageBox : public platform::MessageBoxService {
 public:
  struct Shown {
    std::string text;
    int flags;
    std::string title;
  };
  int MsgBox(const std::string& text, int flags, const std::string& title) override {
    shown.push_back({text, flags, title});
    return platform::kAnswerOk;
  }
  std::vector<Shown> shown;
};

}  // namespace util::testing
