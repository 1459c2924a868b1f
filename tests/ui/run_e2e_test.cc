// A person's way through the program: build a job in the window with the folder picker, run
// it on a real temporary tree with the real run, and answer its questions (copy failure,
// cancel, closing the window) through the window.
#include "engine/common.h"
#include "test_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/platform_paths.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::kAnswerNo;
using platform::kAnswerYes;

constexpr int kSourceFiles = 8;

ui::SubForm1* ProgressDialog() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<ui::SubForm1*>(window)) return dialog;
  }
  return nullptr;
}

}  // namespace

class RunEndToEndTest : public QObject {
  Q_OBJECT

  testing_support::TempDir temp_;
  std::string root_;

  // Picks `folder` in the picker that `button` opens.
  void PickWith(QPushButton* button, const std::string& folder) {
    ui_test::WithPicker([&] { QTest::mouseClick(button, Qt::LeftButton); },
                        [&](ui::SubForm2* picker) {
                          // It opens at the current folder, where the test keeps its tree,
                          // and shows no hidden folder and no file.
                          ui::FolderList* list = picker->Dir1;
                          const QString root = QString::fromStdString(root_);
                          QCOMPARE(ui_test::Rows(list).mid(list->OpenRow()),
                                   QStringList({root, root + "/out", root + "/src"}));
                          ui_test::ClickEntry(list, folder);
                          QTest::mouseClick(picker->Command1, Qt::LeftButton);
                        });
  }

 private slots:
  void initTestCase() {
    ui::ApplyLook(*qApp);
    // With "/" on Windows as well, so that the picker's rows read back as this test writes them.
    root_ = ui_test::Slashed(std::filesystem::canonical(temp_.path()).string());
    QVERIFY(QDir::setCurrent(QString::fromStdString(root_)));
    for (const char* folder : {"/.hidden", "/out"}) testing_support::MakeFolders(root_ + folder);
    testing_support::WriteFile(root_ + "/a-file.txt", "");
    for (int i = 0; i < kSourceFiles; ++i) {
      testing_support::WriteFile(
          root_ + (i < 2 ? "/src/sub/file" : "/src/file") + std::to_string(i),
          std::string(100 + i, 'x'));
    }
  }

  void buildRunAndAnswer() {
    testing_support::FaultyFileSystem fs;
    int copies = 0;
    std::function<bool(int)> on_copy;  // called as each copy starts; answers whether it fails
    fs.copy_fault = [&](const std::string& source, const std::string&) {
      return on_copy(++copies) ? platform::Status::Error(platform::kPermissionDenied, source)
                               : platform::Status::Ok();
    };
    testing_support::ScriptedHost messages;
    std::vector<int> asked_at;  // the number of copies started when each question came
    messages.on_event = [&](const std::string& event) {
      if (event.starts_with("Box=")) asked_at.push_back(copies);
    };
    ui::MainFormOptions options;
    options.messages = &messages;
    options.file_system = &fs;
    options.archive_library_name = "libunlha32-not-installed-anywhere.so";
    ui::MainForm form(std::move(options));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PickWith(form.cmdAddDir, root_ + "/src");
    PickWith(form.cmdFind, root_ + "/out");
    QSignalSpy closed(&form, &ui::MainForm::Closed);

    // Closing the window during copy 1 is declined, and taken back; copy 4 fails and No stops
    // the run there. The window stays.
    on_copy = [&](int copy) {
      if (copy == 1) QTimer::singleShot(0, &form, &QWidget::close);
      return copy == 4;
    };
    messages.answers = {kAnswerNo, kAnswerNo};
    QTest::mouseClick(form.cmdExec, Qt::LeftButton);
    QCOMPARE(copies, 4);
    QVERIFY(form.isVisible() && closed.isEmpty());

    // Copy 2 fails and Yes copies the rest; "ｷｬﾝｾﾙ" during copy 3 is declined; closing the
    // window during copy 5 is confirmed: the run stops before another copy begins, and then
    // the window closes. Meanwhile only 終了 takes input, and a click on 実行 is ignored.
    // The source reappears below the date folder without its drive, in the run's letter case.
    const std::string copied =
        root_ + "/out/" + engine::DateFolderName +
        testing_support::JobCase(root_.substr(platform::RootNameLength(root_)) + "/src");
    std::filesystem::remove_all(copied);
    copies = 0;
    QStringList unlocked;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    on_copy = [&](int copy) {
      if (copy == 1) {
        for (QWidget* widget : form.findChildren<QWidget*>()) {
          if (widget->isVisible() && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus) {
            unlocked << widget->objectName();
          }
        }
        pointer = form.cursor().shape();
        QTimer::singleShot(0, [&] { QTest::mouseClick(form.cmdExec, Qt::LeftButton); });
      }
      if (copy == 3) {
        // "ｷｬﾝｾﾙ" pressed twice, the way a user does: both clicks wait until the run lets window
        // events through, and both come before its next cancel check.
        QTimer::singleShot(0, [] {
          QVERIFY(ProgressDialog() != nullptr && ProgressDialog()->cmdCancel->isVisible());
          for (int i = 0; i < 2; ++i)
            QTest::mouseClick(ProgressDialog()->cmdCancel, Qt::LeftButton);
        });
      }
      if (copy == 5) QTimer::singleShot(0, &form, &QWidget::close);
      return copy == 2;
    };
    messages.answers = {kAnswerYes, kAnswerNo, kAnswerYes};
    QTest::mouseClick(form.cmdExec, Qt::LeftButton);
    QCOMPARE(unlocked, QStringList({"cmdExit"}));
    QCOMPARE(pointer, Qt::WaitCursor);
    QCOMPARE(messages.BoxTitles(),
             (std::vector<std::string>{"ｷｬﾝｾﾙ確認", "コピーエラー", "コピーエラー", "ｷｬﾝｾﾙ確認",
                                       "ｷｬﾝｾﾙ確認"}));
    QVERIFY(asked_at[3] >= 3 && asked_at[3] < 5);
    QVERIFY(asked_at[4] >= 5 && asked_at[4] < kSourceFiles);
    QCOMPARE(copies, asked_at[4]);
    QCOMPARE(int(testing_support::FilesBelow(copied).size()), copies - 1);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!form.isVisible() && ProgressDialog() == nullptr);
    // Every control is as it was, the LHA box (no library here) disabled as before.
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(form.listDir->isEnabled() && form.cmdExec->isEnabled());
    QVERIFY(form.chkSubDir->isEnabled() && !form.chkLHA->isEnabled());
  }
};

QTEST_MAIN(RunEndToEndTest)
#include "run_e2e_test.moc"
