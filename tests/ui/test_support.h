#pragma once

// What the window tests share: Qt Test, the windows, an in-memory folder tree and the
// drivers below. Message boxes are answered by testing_support::ScriptedHost.
#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <set>
#include <string>

#include "platform/path_rules.h"
#include "tests/support/scripted_host.h"
#include "ui/controls.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/frm_about.h"
#include "ui/look.h"
#include "ui/main_form.h"
#include "ui/sub_form1.h"
#include "ui/sub_form2.h"

namespace ui_test {

using platform::Status;

// The suites speak in "/" paths. On Windows, where "/" separates too, the picker joins names
// with "\\"; its paths are read back through this, unchanged elsewhere (a backslash is part
// of a name on POSIX).
inline std::string Slashed(std::string path) {
  if (platform::Separator() == '\\') std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}
inline QString Slashed(const QString& path) {
  return QString::fromStdString(Slashed(path.toStdString()));
}

// Folders only, held in memory, so that the picker shows fixed paths; folders vanish or
// cannot be read (a drive without a medium) on demand. Nothing can be written. Paths are
// the platform's ("/home/user", or "C:\\Users" on Windows, where "/home/user" also serves),
// kept and looked up Slashed, and a folder's parent is the picker's own ParentFolder.
class FolderTree : public platform::FileSystem {
 public:
  // Holds `folders` and every folder above them.
  explicit FolderTree(std::initializer_list<std::string> folders = {}, std::string current = "/")
      : current(std::move(current)) {
    for (std::string path : folders) AddFolder(std::move(path));
  }
  void AddFolder(std::string path) {
    for (path = Slashed(path); !path.empty(); path = ui::ParentFolder(path)) folders_.insert(path);
  }
  // Removes `path` and everything below it.
  void Remove(const std::string& path) {
    std::erase_if(folders_, [&](const std::string& f) { return IsWithin(f, Slashed(path)); });
  }
  std::set<std::string> unreadable;
  std::string current;

  Status List(const std::string& folder, platform::ListWhat what, bool,
              platform::FunctionRef<bool(const platform::ListedEntry&)> visit) override {
    return ListSlashed(Slashed(folder), what, visit);
  }
  Status ListSlashed(const std::string& folder, platform::ListWhat what,
                     platform::FunctionRef<bool(const platform::ListedEntry&)> visit) {
    if (!folders_.contains(folder)) return Status::Error(platform::kPathNotFound, folder);
    if (unreadable.contains(folder)) return Status::Error(platform::kDiskNotReady, folder);
    if (what == platform::ListWhat::kFiles) return Status::Ok();
    for (const std::string& path : folders_) {
      if (path == folder || ui::ParentFolder(path) != folder) continue;
      std::string name = path.substr(folder.size());
      while (!name.empty() && platform::IsSeparator(name.front())) name.erase(0, 1);
      if (!visit({.name = name, .is_folder = true})) break;
    }
    return Status::Ok();
  }
  Status Probe(const std::string& path, platform::EntryInfo* info) override {
    *info = platform::EntryInfo();
    if (folders_.contains(Slashed(path))) info->kind = platform::EntryKind::kFolder;
    return Status::Ok();
  }
  Status MakeFolder(const std::string& p) override {
    return Status::Error(platform::kPermissionDenied, p);
  }
  std::string CurrentFolder() override { return current; }

 private:
  static bool IsWithin(const std::string& path, const std::string& folder) {
    for (std::string above = path; !above.empty(); above = ui::ParentFolder(above)) {
      if (above == folder) return true;
    }
    return false;
  }
  std::set<std::string> folders_ = {"/"};
};

// A main window on `tree` whose drive selector offers the root, /home and `removable`.
inline ui::MainFormOptions TreeOptions(testing_support::ScriptedHost& messages, FolderTree& tree,
                                       std::string removable) {
  ui::MainFormOptions options;
  options.messages = &messages;
  options.file_system = &tree;
  options.volumes = [removable] {
    return std::vector<platform::Volume>{{"/", "/dev/sda1", "ext4"},
                                         {"/home", "/dev/sda2", "ext4"},
                                         {removable, "/dev/sr0", "iso9660"}};
  };
  return options;
}

// Runs `action` on the modal dialog that the code under test opens with exec(), from inside
// its event loop, once the dialog is the active window (so that keys go to its focus).
// Fails the test when none opens.
inline void WhenModal(std::function<void(QWidget*)> action, int attempt = 0) {
  QTimer::singleShot(attempt == 0 ? 0 : 10, [action = std::move(action), attempt] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->activateWindow();
      if (!QTest::qWaitForWindowActive(modal)) QTest::qFail("not active", __FILE__, __LINE__);
      action(modal);
    } else if (attempt < 500) {
      WhenModal(action, attempt + 1);
    } else {
      QTest::qFail("no modal dialog opened", __FILE__, __LINE__);
    }
  });
}

// Runs `act` on the folder picker that `open` opens, then cancels the picker if `act` left it
// open, so that a failed check cannot leave the test waiting.
inline void WithPicker(const std::function<void()>& open,
                       const std::function<void(ui::SubForm2*)>& act) {
  bool acted = false;
  WhenModal([&](QWidget* modal) {
    auto* picker = qobject_cast<ui::SubForm2*>(modal);
    QVERIFY(picker != nullptr);
    acted = true;
    act(picker);
    if (picker->isVisible()) picker->Command2->click();
  });
  open();
  QVERIFY(acted);
}

// Clicks the picker's entry for `path` (twice: double-clicks it).
inline void ClickEntry(ui::FolderList* list, const std::string& path, bool twice = false) {
  for (int i = 0; i < list->count(); ++i) {
    if (Slashed(list->EntryPath(i)) != path) continue;
    const QPoint at = list->visualItemRect(list->item(i)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    // The window system sends the second press of a double-click as a double-click event.
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    return;
  }
  QFAIL(("no entry " + path).c_str());
}

// The texts of a list's rows; for the picker's folder list, the full paths of its entries
// (paths read back with "/").
inline QStringList Rows(QListWidget* list) {
  QStringList rows;
  auto* folders = qobject_cast<ui::FolderList*>(list);
  for (int i = 0; i < list->count(); ++i) {
    rows << Slashed(folders ? QString::fromStdString(folders->EntryPath(i))
                            : list->item(i)->text());
  }
  return rows;
}

}  // namespace ui_test
