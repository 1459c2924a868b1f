#pragma once

// What the window tests share: Qt Test, the main window and its folder picker, and the
// doubles and drivers below.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "ui/controls.h"
#include "ui/folder_list.h"
#include "ui/look.h"
#include "ui/main_form.h"
#include "ui/sub_form2.h"

namespace ui_test {

// One message box as the program asked for it.
struct ShownMessage {
  std::string text;
  int flags = 0;
  std::string title;
};

// Records every message box and answers from a script, OK once the script is used up. A hook
// may act while "the box is open".
class ScriptedMessages : public platform::MessageBoxService {
 public:
  int MsgBox(const std::string& text, int flags, const std::string& title) override;

  std::vector<ShownMessage> shown;
  std::deque<int> answers;
  std::function<void(const ShownMessage&)> on_show;
};

// A file system of folders only, held in memory: fixed paths for the picker, and folders that
// vanish or cannot be read on demand. It cannot be written.
class FolderTree : public platform::FileSystem {
 public:
  // Adds `path` and every folder above it.
  void AddFolder(const std::string& path);
  // Removes `path` and everything below it.
  void Remove(const std::string& path);
  // Folders whose listing fails, like a drive without a medium.
  std::set<std::string> unreadable;
  std::string current = "/";

  platform::Status List(const std::string& folder, platform::ListWhat what, bool want_stat,
                        platform::FunctionRef<bool(const platform::ListedEntry&)> visit) override;
  platform::Status Probe(const std::string& path, platform::EntryInfo* info) override;
  platform::Status MakeFolder(const std::string& path) override { return ReadOnly(path); }
  platform::Status CopyFile(const std::string& path, const std::string&) override {
    return ReadOnly(path);
  }
  platform::Status Flush(const std::string& path) override { return ReadOnly(path); }
  std::string CurrentFolder() override { return current; }

 private:
  static platform::Status ReadOnly(const std::string& path);

  std::set<std::string> folders_ = {"/"};
};

// Runs `action` on the modal dialog that the code under test opens with exec(), from inside
// its event loop. Fails the test when none opens.
void WhenModal(std::function<void(QWidget*)> action);

// Runs `act` on the folder picker that `open` opens, then cancels the picker if `act` left it
// open, so that a failed check cannot leave the test waiting.
void WithPicker(const std::function<void()>& open, const std::function<void(ui::SubForm2*)>& act);

// Clicks the picker's entry for `path` (twice: double-clicks it).
void ClickEntry(ui::FolderList* list, const std::string& path, bool twice = false);

// The full paths of the picker's entries, and the texts of a list's rows.
QStringList EntryPaths(ui::FolderList* list);
QStringList Rows(QListWidget* list);

}  // namespace ui_test
