#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/volumes.h"

class QWidget;

namespace ui_test {

// One message box as the program asked for it.
struct ShownMessage {
  std::string text;
  int flags = 0;
  std::string title;
};

// Records every message box and answers from a script; with the script used up, it answers
// what the box's default button would (Yes or OK, or the second button when the flags say
// so). A hook may act while "the box is open".
class ScriptedMessages : public platform::MessageBoxService {
 public:
  int MsgBox(const std::string& text, int flags, const std::string& title) override;

  void Answer(int answer) { answers_.push_back(answer); }
  const std::vector<ShownMessage>& shown() const { return shown_; }
  void Clear() {
    shown_.clear();
    answers_.clear();
    on_show = nullptr;
  }
  std::function<void(const ShownMessage&)> on_show;

 private:
  std::vector<ShownMessage> shown_;
  std::deque<int> answers_;
};

// A file system of folders only, held in memory, for the picker: deterministic paths and
// volumes that can fail on demand.
class FolderTree : public platform::FileSystem {
 public:
  // Adds `path` and every folder above it.
  void AddFolder(const std::string& path);
  // Listing `path` fails (its subfolders cannot be read, like a drive without a medium).
  void MakeUnreadable(const std::string& path) { unreadable_.insert(path); }
  void Remove(const std::string& path);
  void SetCurrentFolder(const std::string& path) { current_ = path; }

  platform::Status List(const std::string& folder, platform::ListWhat what, bool want_stat,
                        platform::FunctionRef<bool(const platform::ListedEntry&)> visit) override;
  platform::Status Probe(const std::string& path, platform::EntryInfo* info) override;
  platform::Status MakeFolder(const std::string& path) override;
  platform::Status CopyFile(const std::string& source, const std::string& destination) override;
  platform::Status Flush(const std::string& path) override;
  std::string CurrentFolder() override { return current_; }

 private:
  std::set<std::string> folders_ = {"/"};
  std::set<std::string> unreadable_;
  std::string current_ = "/";
};

// Runs `action` as soon as a modal dialog is open (from inside its event loop), so a test
// can drive a dialog that the code under test opens with exec(). Fails the test when no
// modal dialog appears.
void WhenModal(std::function<void(QWidget*)> action);

// The texts of a list widget's rows.
QStringList Rows(QWidget* list);

}  // namespace ui_test
