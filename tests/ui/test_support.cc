#include "test_support.h"

#include <QApplication>
#include <QTimer>

namespace ui_test {

int ScriptedMessages::MsgBox(const std::string& text, int flags, const std::string& title) {
  shown.push_back({text, flags, title});
  if (on_show) on_show(shown.back());
  if (answers.empty()) return platform::kAnswerOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FolderTree::AddFolder(const std::string& path) {
  for (std::string folder = path; folder.size() > 1; folder.resize(folder.rfind('/'))) {
    folders_.insert(folder);
  }
}

void FolderTree::Remove(const std::string& path) {
  std::erase_if(folders_, [&](const std::string& f) { return (f + "/").starts_with(path + "/"); });
}

platform::Status FolderTree::List(const std::string& folder, platform::ListWhat what, bool,
                                  platform::FunctionRef<bool(const platform::ListedEntry&)> visit) {
  if (folders_.count(folder) == 0) {
    return platform::Status::Error(platform::kPathNotFound, "opendir(" + folder + "): missing");
  }
  if (unreadable.count(folder) != 0) {
    return platform::Status::Error(platform::kDiskNotReady, "opendir(" + folder + "): not ready");
  }
  if (what == platform::ListWhat::kFiles) return platform::Status::Ok();
  const std::string prefix = folder == "/" ? "/" : folder + "/";
  for (const std::string& path : folders_) {
    if (!path.starts_with(prefix) || path.size() == prefix.size()) continue;
    const std::string name = path.substr(prefix.size());
    if (name.find('/') != std::string::npos) continue;
    if (!visit({.name = name, .is_folder = true})) break;
  }
  return platform::Status::Ok();
}

platform::Status FolderTree::Probe(const std::string& path, platform::EntryInfo* info) {
  *info = platform::EntryInfo();
  if (folders_.count(path) != 0) info->kind = platform::EntryKind::kFolder;
  return platform::Status::Ok();
}

platform::Status FolderTree::ReadOnly(const std::string& path) {
  return platform::Status::Error(platform::kPermissionDenied, "write(" + path + "): read-only");
}

namespace {

void PollForModal(const std::function<void(QWidget*)>& action, int attempt) {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    action(modal);
  } else if (attempt < 500) {
    QTimer::singleShot(10, [action, attempt] { PollForModal(action, attempt + 1); });
  } else {
    QTest::qFail("no modal dialog opened", __FILE__, __LINE__);
  }
}

}  // namespace

void WhenModal(std::function<void(QWidget*)> action) {
  QTimer::singleShot(0, [action = std::move(action)] { PollForModal(action, 0); });
}

void WithPicker(const std::function<void()>& open, const std::function<void(ui::SubForm2*)>& act) {
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

void ClickEntry(ui::FolderList* list, const std::string& path, bool twice) {
  for (int i = 0; i < list->count(); ++i) {
    if (list->EntryPath(i) != path) continue;
    const QPoint at = list->visualItemRect(list->item(i)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    // The window system sends the second press of a double-click as a double-click event.
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    return;
  }
  QFAIL(("no entry " + path).c_str());
}

QStringList EntryPaths(ui::FolderList* list) {
  QStringList paths;
  for (int i = 0; i < list->count(); ++i) paths << QString::fromStdString(list->EntryPath(i));
  return paths;
}

QStringList Rows(QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

}  // namespace ui_test
