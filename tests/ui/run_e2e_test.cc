// A person's way through the program: build a job in the window with the folder picker, run
// it on a real temporary tree with the real run, and answer its questions (copy failure,
// cancel, closing the window) through the window. The file system is the machine's, seen
// through a wrapper that lets a test act when a copy starts and make it fail.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/common.h"
#include "test_support.h"
#include "ui/sub_form1.h"

namespace {

constexpr int kSourceFiles = 8;

class WatchedFileSystem : public platform::FileSystemWrapper {
 public:
  WatchedFileSystem() : FileSystemWrapper(platform::FileSystem::Default()) {}

  platform::Status CopyFile(const std::string& source, const std::string& destination) override {
    if (on_copy(++copies)) {
      return platform::Status::Error(platform::kPermissionDenied, "open(" + source + "): denied");
    }
    return target().CopyFile(source, destination);
  }

  int copies = 0;
  // Called as each copy starts, with its number; answers whether the copy fails.
  std::function<bool(int)> on_copy;
};

ui::SubForm1* ProgressDialog() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<ui::SubForm1*>(window)) return dialog;
  }
  return nullptr;
}

// Presses "ｷｬﾝｾﾙ" twice the way a user does: the clicks wait in the queue until the run lets
// window events through, and both come before the run's next cancel check.
void ClickCancelSoon() {
  QTimer::singleShot(0, [] {
    ui::SubForm1* dialog = ProgressDialog();
    QVERIFY(dialog != nullptr && dialog->cmdCancel->isVisible());
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
  });
}

void WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

}  // namespace

class RunEndToEndTest : public QObject {
  Q_OBJECT

  QTemporaryDir temp_;
  QString root_;
  QString source_;
  QString destination_;
  WatchedFileSystem fs_;
  ui_test::ScriptedMessages messages_;
  std::vector<int> asked_at_;  // the number of copies started when each question came
  std::unique_ptr<ui::MainForm> form_;

  // Picks `folder` in the picker that `button` opens.
  void PickWith(QPushButton* button, const QString& folder) {
    ui_test::WithPicker([&] { QTest::mouseClick(button, Qt::LeftButton); },
                        [&](ui::SubForm2* picker) {
                          // It opens at the current folder, where the test keeps its tree,
                          // and shows no hidden folder and no file.
                          ui::FolderList* list = picker->Dir1;
                          QCOMPARE(ui_test::EntryPaths(list).mid(list->OpenRow()),
                                   QStringList({root_, destination_, source_}));
                          ui_test::ClickEntry(list, folder.toStdString());
                          QTest::mouseClick(picker->Command1, Qt::LeftButton);
                        });
  }

  int CopiedFiles() const {
    const QString copy =
        destination_ + "/" + QString::fromStdString(engine::DateFolderName) + source_;
    int files = 0;
    for (QDirIterator it(copy, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      it.next();
      ++files;
    }
    return files;
  }

  QStringList Titles() const {
    QStringList titles;
    for (const auto& shown : messages_.shown) titles << QString::fromStdString(shown.title);
    return titles;
  }

 private slots:
  void initTestCase() {
    ui::ApplyLook(*qApp);
    QVERIFY(temp_.isValid());
    root_ = QDir(temp_.path()).canonicalPath();
    source_ = root_ + "/src";
    destination_ = root_ + "/out";
    QVERIFY(QDir::setCurrent(root_) && QDir().mkpath(root_ + "/.hidden"));
    WriteFile(root_ + "/a-file.txt", "");
  }

  void init() {
    QVERIFY(QDir(source_).removeRecursively() && QDir(destination_).removeRecursively());
    QVERIFY(QDir().mkpath(source_ + "/sub") && QDir().mkpath(destination_));
    for (int i = 0; i < kSourceFiles; ++i) {
      WriteFile(QStringLiteral("%1/%2file%3.txt").arg(source_, i < 2 ? "sub/" : "").arg(i),
                QByteArray(100 + i, 'x'));
    }
    fs_.copies = 0;
    fs_.on_copy = [](int) { return false; };
    messages_ = {};
    asked_at_.clear();
    messages_.on_show = [this](const ui_test::ShownMessage&) { asked_at_.push_back(fs_.copies); };
    ui::MainFormOptions options;
    options.messages = &messages_;
    options.file_system = &fs_;
    options.archive_library_name = "libunlha32-not-installed-anywhere.so";
    form_ = std::make_unique<ui::MainForm>(std::move(options));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    PickWith(form_->cmdAddDir, source_);
    PickWith(form_->cmdFind, destination_);
  }

  void cleanup() {
    form_.reset();
    QVERIFY(ProgressDialog() == nullptr);
  }

  void runCopiesEverythingWithTheJobLocked() {
    bool dialog_shown = false;
    QStringList unlocked;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    fs_.on_copy = [&](int copy) {
      dialog_shown = ProgressDialog() != nullptr && ProgressDialog()->isVisible();
      if (copy == 1) {
        for (QWidget* widget : form_->findChildren<QWidget*>()) {
          if (widget->isVisible() && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus) {
            unlocked << widget->objectName();
          }
        }
        pointer = form_->cursor().shape();
        // A click on 実行 that reaches the window while the run lets events through.
        QTimer::singleShot(0, [this] { QTest::mouseClick(form_->cmdExec, Qt::LeftButton); });
      }
      return false;
    };
    QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
    QVERIFY(messages_.shown.empty());
    QCOMPARE(unlocked, QStringList({"cmdExit"}));
    QCOMPARE(pointer, Qt::WaitCursor);
    QCOMPARE(fs_.copies, kSourceFiles);
    QCOMPARE(CopiedFiles(), kSourceFiles);
    QVERIFY(dialog_shown && ProgressDialog() == nullptr);
    // Afterwards every control is as it was, the LHA box (no library here) disabled as before.
    QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(form_->listDir->isEnabled() && form_->cmdExec->isEnabled());
    QVERIFY(form_->chkSubDir->isEnabled() && !form_->chkLHA->isEnabled());
  }

  void answersToTheRunsQuestions() {
    // Copy 2 fails and Yes copies the rest; "ｷｬﾝｾﾙ" during copy 3 is declined, and during
    // copy 5 confirmed.
    fs_.on_copy = [](int copy) {
      if (copy == 3 || copy == 5) ClickCancelSoon();
      return copy == 2;
    };
    messages_.answers = {platform::kAnswerYes, platform::kAnswerNo, platform::kAnswerYes};
    QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
    QCOMPARE(Titles(), QStringList({"コピーエラー", "ｷｬﾝｾﾙ確認", "ｷｬﾝｾﾙ確認"}));
    // No went on where it was; Yes stopped before another copy began.
    QVERIFY(asked_at_[1] >= 3 && asked_at_[1] < 5);
    QVERIFY(asked_at_[2] >= 5 && asked_at_[2] < kSourceFiles);
    QCOMPARE(fs_.copies, asked_at_[2]);
    QCOMPARE(CopiedFiles(), fs_.copies - 1);

    // A failed copy answered No stops the run there.
    fs_.on_copy = [](int) { return true; };
    messages_.answers = {platform::kAnswerNo};
    const int started = fs_.copies;
    QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
    QCOMPARE(Titles().last(), QStringLiteral("コピーエラー"));
    QCOMPARE(fs_.copies, started + 1);
  }

  void closingTheWindowDuringARunAsksToCancel() {
    QSignalSpy closed(form_.get(), &ui::MainForm::Closed);
    fs_.on_copy = [this](int copy) {
      if (copy == 2 || copy == kSourceFiles + 3) {
        QTimer::singleShot(0, form_.get(), &QWidget::close);
      }
      return false;
    };
    messages_.answers = {platform::kAnswerNo, platform::kAnswerYes};
    // No: the run goes on to its end and the window stays.
    QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
    QCOMPARE(fs_.copies, kSourceFiles);
    QVERIFY(form_->isVisible() && closed.isEmpty());
    // Yes, the next time: the run stops, and then the window closes.
    QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
    QCOMPARE(Titles(), QStringList({"ｷｬﾝｾﾙ確認", "ｷｬﾝｾﾙ確認"}));
    QVERIFY(fs_.copies < 2 * kSourceFiles);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!form_->isVisible());
  }
};

QTEST_MAIN(RunEndToEndTest)
#include "run_e2e_test.moc"
