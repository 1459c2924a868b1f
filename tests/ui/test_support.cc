#include "test_support.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <memory>

namespace ui_test {

int ScriptedMessages::MsgBox(const std::string& text, int flags, const std::string& title) {
  shown_.push_back({text, flags, title});
  if (on_show) on_show(shown_.back());
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  const bool second = (flags & platform::kDefaultButton2) != 0;
  switch (flags & 7) {
    case 4:
      return second ? platform::kAnswerNo : platform::kAnswerYes;
    case 1:
      return second ? platform::kAnswerCancel : platform::kAnswerOk;
    default:
      return platform::kAnswerOk;
  }
}

void FolderTree::AddFolder(const std::string& path) {
  for (std::string folder = path; folder.size() > 1;) {
    folders_.insert(folder);
    folder = folder.substr(0, folder.rfind('/'));
    if (folder.empty()) folder = "/";
  }
}

void FolderTree::Remove(const std::string& path) {
  for (auto it = folders_.begin(); it != folders_.end();) {
    if (*it == path || it->rfind(path + "/", 0) == 0) {
      it = folders_.erase(it);
    } else {
      ++it;
    }
  }
}

platform::Status FolderTree::List(const std::string& folder, platform::ListWhat what, bool,
                                  platform::FunctionRef<bool(const platform::ListedEntry&)> visit) {
  if (folders_.count(folder) == 0) {
    return platform::Status::Error(platform::kPathNotFound, "opendir(" + folder + "): missing");
  }
  if (unreadable_.count(folder) != 0) {
    return platform::Status::Error(platform::kDiskNotReady, "opendir(" + folder + "): not ready");
  }
  if (what == platform::ListWhat::kFiles) return platform::Status::Ok();
  const std::string prefix = folder == "/" ? "/" : folder + "/";
  for (const std::string& path : folders_) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
    std::string name = path.substr(prefix.size());
    if (name.find('/') != std::string::npos) continue;
    platform::ListedEntry entry;
    entry.name = name;
    entry.is_folder = true;
    if (!visit(entry)) break;
  }
  return platform::Status::Ok();
}

platform::Status FolderTree::Probe(const std::string& path, platform::EntryInfo* info) {
  *info = platform::EntryInfo();
  if (folders_.count(path) != 0) info->kind = platform::EntryKind::kFolder;
  return platform::Status::Ok();
}

platform::Status FolderTree::MakeFolder(const std::string& path) {
  AddFolder(path);
  return platform::Status::Ok();
}

platform::Status FolderTree::CopyFile(const std::string& source, const std::string&) {
  return platform::Status::Error(platform::kFileNotFound, "copy(" + source + "): no files here");
}

platform::Status FolderTree::Flush(const std::string&) { return platform::Status::Ok(); }

namespace {

struct ModalWaiter {
  std::function<void(QWidget*)> action;
  int attempts = 0;
};

void PollForModal(const std::shared_ptr<ModalWaiter>& waiter) {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    waiter->action(modal);
    return;
  }
  if (++waiter->attempts > 500) {
    QTest::qFail("no modal dialog opened", __FILE__, __LINE__);
    return;
  }
  QTimer::singleShot(10, [waiter] { PollForModal(waiter); });
}

}  // namespace

void WhenModal(std::function<void(QWidget*)> action) {
  auto waiter = std::make_shared<ModalWaiter>();
  waiter->action = std::move(action);
  QTimer::singleShot(0, [waiter] { PollForModal(waiter); });
}

QStringList Rows(QWidget* list) {
  QStringList rows;
  auto* widget = qobject_cast<QListWidget*>(list);
  if (widget == nullptr) return rows;
  for (int i = 0; i < widget->count(); ++i) rows << widget->item(i)->text();
  return rows;
}

}  // namespace ui_test
