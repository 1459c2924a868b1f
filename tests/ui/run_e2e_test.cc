// A person's way through the program: build a job in the window with the folder picker, run
// it on a real temporary tree with the real run, and answer its questions (cancel, copy
// failure) through the window. The file system is the machine's, seen through a wrapper
// that lets a test act when a given copy starts and make one copy fail.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "engine/common.h"
#include "engine/public_function.h"
#include "test_support.h"
#include "ui/controls.h"
#include "ui/folder_list.h"
#include "ui/look.h"
#include "ui/main_form.h"
#include "ui/sub_form1.h"
#include "ui/sub_form2.h"

namespace {

constexpr int kSourceFiles = 8;

class WatchedFileSystem : public platform::FileSystemWrapper {
 public:
  WatchedFileSystem() : FileSystemWrapper(platform::FileSystem::Default()) {}

  platform::Status CopyFile(const std::string& source, const std::string& destination) override {
    ++copies;
    if (on_copy) on_copy(copies);
    if (copies == fail_copy) {
      failed_source = source;
      return platform::Status::Error(platform::kPermissionDenied,
                                     "open(" + source + "): Permission denied");
    }
    return target().CopyFile(source, destination);
  }

  int copies = 0;
  int fail_copy = 0;
  std::string failed_source;
  std::function<void(int)> on_copy;
};

ui::SubForm1* ProgressDialog() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<ui::SubForm1*>(window)) return dialog;
  }
  return nullptr;
}

// Presses "ｷｬﾝｾﾙ" the way a user does: the click waits in the queue until the run lets
// window events through.
void ClickCancelSoon() {
  QTimer::singleShot(0, [] {
    ui::SubForm1* dialog = ProgressDialog();
    QVERIFY(dialog != nullptr && dialog->cmdCancel->isVisible());
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
  });
}

void WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(data), data.size());
}

}  // namespace

class RunEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void buildJobWithThePickerAndRun();
  void cancelAnsweredNoThenYes();
  void copyFailureAnswered_data();
  void copyFailureAnswered();
  void closingTheWindowDuringARun();

 private:
  // Picks `folder` (a child of the current folder) in the picker opened by `button`.
  void PickWith(QPushButton* button, const QString& folder);
  void BuildJob();
  QStringList CopiedFiles() const;
  int Questions(const char* title) const;

  QTemporaryDir temp_;
  QString previous_folder_;
  QString root_;
  QString source_;
  QString destination_;
  WatchedFileSystem fs_;
  ui_test::ScriptedMessages messages_;
  std::unique_ptr<ui::MainForm> form_;
};

void RunEndToEndTest::initTestCase() {
  ui::ApplyLook(*qApp);
  QVERIFY(temp_.isValid());
  root_ = QDir(temp_.path()).canonicalPath();
  previous_folder_ = QDir::currentPath();
  QVERIFY(QDir::setCurrent(root_));
}

void RunEndToEndTest::init() {
  source_ = root_ + "/src";
  destination_ = root_ + "/out";
  QVERIFY(QDir(source_).removeRecursively());
  QVERIFY(QDir(destination_).removeRecursively());
  QVERIFY(QDir().mkpath(source_ + "/sub"));
  QVERIFY(QDir().mkpath(destination_));
  for (int i = 0; i < kSourceFiles - 2; ++i) {
    WriteFile(QStringLiteral("%1/file%2.txt").arg(source_).arg(i), QByteArray(100 + i, 'x'));
  }
  WriteFile(source_ + "/sub/deep1.txt", "one");
  WriteFile(source_ + "/sub/deep2.txt", "two");

  fs_.copies = 0;
  fs_.fail_copy = 0;
  fs_.on_copy = nullptr;
  messages_.Clear();
  ui::MainFormOptions options;
  options.messages = &messages_;
  options.file_system = &fs_;
  form_ = std::make_unique<ui::MainForm>(std::move(options));
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void RunEndToEndTest::cleanup() {
  form_.reset();
  QVERIFY(ProgressDialog() == nullptr);
}

void RunEndToEndTest::PickWith(QPushButton* button, const QString& folder) {
  bool picked = false;
  ui_test::WhenModal([&](QWidget* modal) {
    auto* picker = qobject_cast<ui::SubForm2*>(modal);
    QVERIFY(picker != nullptr);
    ui::FolderList* list = picker->Dir1;
    // It opens at the current folder, where the test keeps its tree.
    QCOMPARE(QString::fromStdString(list->Path()), root_);
    for (int i = 0; i < list->count(); ++i) {
      if (list->EntryPath(i) != folder.toStdString()) continue;
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                        list->visualItemRect(list->item(i)).center());
      picked = true;
    }
    QTest::mouseClick(picker->Command1, Qt::LeftButton);
  });
  QTest::mouseClick(button, Qt::LeftButton);
  QVERIFY2(picked, qPrintable(folder));
}

void RunEndToEndTest::BuildJob() {
  PickWith(form_->cmdAddDir, source_);
  PickWith(form_->cmdFind, destination_);
  QCOMPARE(ui_test::Rows(form_->listDir), QStringList({source_}));
  QCOMPARE(ui_test::Rows(form_->listComp), QStringList({"なし"}));
  QCOMPARE(form_->txtTgtDir->text(), destination_);
}

QStringList RunEndToEndTest::CopiedFiles() const {
  QStringList files;
  const QString dated = destination_ + "/" + QString::fromStdString(engine::DateFolderName);
  QDir base(dated + source_);
  for (const QString& name : base.entryList(QDir::Files, QDir::Name)) files << name;
  for (const QString& name : QDir(base.filePath("sub")).entryList(QDir::Files, QDir::Name)) {
    files << "sub/" + name;
  }
  return files;
}

int RunEndToEndTest::Questions(const char* title) const {
  int count = 0;
  for (const ui_test::ShownMessage& shown : messages_.shown()) count += shown.title == title;
  return count;
}

void RunEndToEndTest::buildJobWithThePickerAndRun() {
  BuildJob();
  QString caption;
  bool cancel_visible = false;
  bool job_locked = false;
  fs_.on_copy = [&](int) {
    ui::SubForm1* dialog = ProgressDialog();
    QVERIFY(dialog != nullptr && dialog->isVisible());
    caption = dialog->windowTitle();
    cancel_visible = dialog->cmdCancel->isVisible();
    job_locked = !form_->cmdExec->isEnabled() && !form_->listDir->isEnabled();
  };
  QTest::mouseClick(form_->cmdExec, Qt::LeftButton);

  QVERIFY(messages_.shown().empty());
  QCOMPARE(fs_.copies, kSourceFiles);
  QCOMPARE(CopiedFiles().size(), kSourceFiles);
  QCOMPARE(caption, QStringLiteral("対象ファイルコピー中・・・"));
  QVERIFY(cancel_visible);
  QVERIFY(job_locked);
  QVERIFY(ProgressDialog() == nullptr);
  QVERIFY(form_->cmdExec->isEnabled());
  QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);

  // Comparing against that copy, nothing has changed: the run says so and copies nothing.
  const QString copy =
      destination_ + "/" + QString::fromStdString(engine::DateFolderName) + source_;
  form_->listComp->SetListIndex(0);
  bool picked = false;
  ui_test::WhenModal([&](QWidget* modal) {
    auto* picker = qobject_cast<ui::SubForm2*>(modal);
    QVERIFY(picker != nullptr);
    picked = picker->Dir1->SetPath(copy.toStdString());
    picker->Command1->click();
  });
  QTest::mouseClick(form_->cmdChange, Qt::LeftButton);
  QVERIFY(picked);
  QCOMPARE(ui_test::Rows(form_->listComp), QStringList({copy}));
  QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
  QCOMPARE(fs_.copies, kSourceFiles);
  QCOMPARE(messages_.shown().size(), std::size_t{1});
  QCOMPARE(messages_.shown().front().text, std::string("コピー対象となるファイルはありません。"));
  QCOMPARE(messages_.shown().front().title, std::string("対象検索結果"));
}

void RunEndToEndTest::cancelAnsweredNoThenYes() {
  BuildJob();
  int asked_first_at = 0;
  int asked_second_at = 0;
  messages_.on_show = [&](const ui_test::ShownMessage& shown) {
    if (shown.title != "ｷｬﾝｾﾙ確認") return;
    QCOMPARE(shown.text, std::string("キャンセルして良いですか？"));
    QCOMPARE(shown.flags, platform::kYesNo | platform::kExclamation);
    (asked_first_at == 0 ? asked_first_at : asked_second_at) = fs_.copies;
  };
  messages_.Answer(platform::kAnswerNo);
  messages_.Answer(platform::kAnswerYes);
  fs_.on_copy = [](int copy) {
    if (copy == 2 || copy == 5) ClickCancelSoon();
  };
  QTest::mouseClick(form_->cmdExec, Qt::LeftButton);

  QCOMPARE(Questions("ｷｬﾝｾﾙ確認"), 2);
  // No went on where it was; Yes stopped before another copy began.
  QVERIFY(asked_first_at >= 2 && asked_first_at < 5);
  QVERIFY(asked_second_at >= 5);
  QCOMPARE(fs_.copies, asked_second_at);
  QVERIFY(fs_.copies < kSourceFiles);
  QCOMPARE(CopiedFiles().size(), fs_.copies);
  QVERIFY(ProgressDialog() == nullptr);
  QVERIFY(form_->isVisible());
  QVERIFY(form_->cmdExec->isEnabled());
}

void RunEndToEndTest::copyFailureAnswered_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<int>("copied");
  QTest::newRow("Yes copies the rest") << int(platform::kAnswerYes) << kSourceFiles - 1;
  QTest::newRow("No stops the run") << int(platform::kAnswerNo) << 1;
}

void RunEndToEndTest::copyFailureAnswered() {
  QFETCH(int, answer);
  QFETCH(int, copied);
  BuildJob();
  fs_.fail_copy = 2;
  messages_.Answer(answer);
  QTest::mouseClick(form_->cmdExec, Qt::LeftButton);

  QCOMPARE(Questions("コピーエラー"), 1);
  const ui_test::ShownMessage& shown = messages_.shown().front();
  QCOMPARE(shown.flags, platform::kYesNo | platform::kQuestion);
  QVERIFY(fs_.failed_source.rfind(source_.toStdString() + "/", 0) == 0);
  QCOMPARE(shown.text, "ファイルのコピーに失敗しました。\r" + fs_.failed_source +
                           "\r残りのファイルをコピーしますか？");
  QCOMPARE(CopiedFiles().size(), copied);
  QVERIFY(ProgressDialog() == nullptr);
}

void RunEndToEndTest::closingTheWindowDuringARun() {
  BuildJob();
  QSignalSpy closed(form_.get(), &ui::MainForm::Closed);
  fs_.on_copy = [this](int copy) {
    if (copy == 3) QTimer::singleShot(0, form_.get(), &QWidget::close);
  };
  messages_.Answer(platform::kAnswerYes);
  QTest::mouseClick(form_->cmdExec, Qt::LeftButton);
  QCOMPARE(Questions("ｷｬﾝｾﾙ確認"), 1);
  QVERIFY(fs_.copies < kSourceFiles);
  QCOMPARE(closed.count(), 1);
  QVERIFY(!form_->isVisible());
}

QTEST_MAIN(RunEndToEndTest)
#include "run_e2e_test.moc"
