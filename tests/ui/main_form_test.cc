// The main window: its layout, its handlers, the list pairing, the checks before a run, and
// how it behaves while a run is in progress (with a stand-in run that acts like the real
// one at its cancel checks).
#include "ui/main_form.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "engine/common.h"
#include "engine/public_function.h"
#include "test_support.h"
#include "ui/controls.h"
#include "ui/frm_about.h"
#include "ui/look.h"

using ui_test::ShownMessage;

namespace {

constexpr int kCancelQuestionFlags = platform::kYesNo | platform::kExclamation;

// What the run does at one of its cancel checks.
bool CancelConfirmed(engine::RunHost& host) {
  if (!engine::CancelRequested) return false;
  if (host.MsgBox("キャンセルして良いですか？", kCancelQuestionFlags, "ｷｬﾝｾﾙ確認") ==
      platform::kAnswerYes) {
    return true;
  }
  engine::CancelRequested = false;
  return false;
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void layoutFollowsTheTable_data();
  void layoutFollowsTheTable();
  void startStateAndDateFolder();
  void tabOrder();
  void archiveLibraryCheckAtLoad();
  void selectionIsMirroredBetweenLists();
  void editingThePairs();
  void lhaMouseUpSwitchesFolderOptions();
  void execChecksSourcesThenDestination_data();
  void execChecksSourcesThenDestination();
  void runLocksTheJobAndCannotBeEnteredTwice();
  void closeDuringRunAsksTheRun_data();
  void closeDuringRunAsksTheRun();
  void exitEndsTheProgram();
  void aboutBoxFromTheBackgroundOnly();

 private:
  std::unique_ptr<ui::MainForm> MakeForm();
  void InstallLibrary();
  void Fill(int pairs);

  ui_test::ScriptedMessages messages_;
  std::function<engine::RunOutcome(engine::RunHost&, const engine::RunOptions&)> run_;
  int runs_ = 0;
  std::string library_name_;
  std::unique_ptr<ui::MainForm> form_;
  QTemporaryDir temp_;
};

void MainFormTest::initTestCase() {
  ui::ApplyLook(*qApp);
  QVERIFY(temp_.isValid());
}

void MainFormTest::init() {
  messages_.Clear();
  runs_ = 0;
  run_ = [](engine::RunHost&, const engine::RunOptions&) { return engine::RunOutcome::kCompleted; };
  library_name_ = "libunlha32-not-installed-anywhere.so";
  engine::CancelRequested = false;
  form_ = MakeForm();
}

void MainFormTest::cleanup() { form_.reset(); }

std::unique_ptr<ui::MainForm> MainFormTest::MakeForm() {
  ui::MainFormOptions options;
  options.messages = &messages_;
  options.archive_library_name = library_name_;
  options.run = [this](engine::RunHost& host, const engine::RunOptions& run_options) {
    ++runs_;
    return run_(host, run_options);
  };
  auto form = std::make_unique<ui::MainForm>(std::move(options));
  form->show();
  form->activateWindow();
  return form;
}

void MainFormTest::Fill(int pairs) {
  for (int i = 0; i < pairs; ++i) {
    form_->listDir->AddItem("/src/" + std::to_string(i));
    form_->listComp->AddItem(i % 2 == 0 ? "なし" : "/cmp/" + std::to_string(i));
  }
}

void MainFormTest::layoutFollowsTheTable_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("twips");
  auto row = [](const char* name, const char* caption, int l, int t, int w, int h) {
    QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(caption)
                        << QRect(l, t, w, h);
  };
  row("Label1", "コピー元", 240, 360, 1935, 255);
  row("cmdErase", "クリア", 3720, 120, 1095, 375);
  row("listDir", "", 240, 600, 4575, 2160);
  row("Label4", "比較先", 5040, 360, 1215, 255);
  row("listComp", "", 5040, 600, 4575, 2175);
  row("cmdAddDir", "追加", 240, 3000, 1095, 375);
  row("cmdDelDir", "削除", 1680, 3000, 1095, 375);
  row("chkSubDir", "ｻﾌﾞﾌｫﾙﾀﾞも対象", 3240, 3000, 1575, 255);
  row("cmdChange", "変更", 5040, 3000, 1095, 375);
  row("cmdClear", "なし", 6480, 3000, 1095, 375);
  row("Label2", "コピー先", 240, 3960, 1935, 255);
  row("txtTgtDir", "", 240, 4200, 2535, 375);
  row("Label3", "", 2760, 4320, 975, 255);
  row("cmdFind", "参照", 3720, 4200, 1095, 375);
  row("Frame1", "ｱｰｶｲﾊﾞ", 5040, 3720, 4575, 855);
  row("chkLHA", "LHA", 240, 240, 1335, 255);
  row("chkZIP", "Zip", 240, 480, 1095, 255);
  row("optFolder(0)", "ﾌｫﾙﾀﾞ有効", 3120, 240, 1215, 255);
  row("optFolder(1)", "ﾌｫﾙﾀﾞ無効", 3120, 480, 1215, 255);
  row("cmdExec", "実行", 240, 5160, 1695, 495);
  row("cmdExit", "終了", 7920, 5160, 1695, 495);
}

void MainFormTest::layoutFollowsTheTable() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QRect, twips);
  QCOMPARE(form_->size(), QSize(657, 404));
  QCOMPARE(form_->minimumSize(), form_->maximumSize());
  QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
  QCOMPARE(form_->windowTitle(), QStringLiteral("Grebewick"));

  auto* widget = form_->findChild<QWidget*>(name);
  QVERIFY(widget != nullptr);
  // Positions inside the frame are relative to it, as the table gives them.
  QCOMPARE(widget->geometry(),
           QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), caption);
  if (auto* label = qobject_cast<QLabel*>(widget); label && !caption.isEmpty()) {
    QCOMPARE(label->text(), caption);
  }
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) QCOMPARE(frame->title(), caption);
}

void MainFormTest::startStateAndDateFolder() {
  QCOMPARE(form_->listDir->ListCount(), 0);
  QCOMPARE(form_->listComp->ListCount(), 0);
  QVERIFY(form_->txtTgtDir->text().isEmpty());
  QCOMPARE(form_->chkSubDir->Value(), 1);
  QCOMPARE(form_->chkZIP->Value(), 0);
  QVERIFY(!form_->chkZIP->isEnabled());
  QVERIFY(form_->optFolder[0]->isChecked());
  QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  QCOMPARE(QApplication::focusWidget(), form_->cmdAddDir);

  const std::string date = engine::DateFolderName;
  QCOMPARE(date.size(), std::size_t{8});
  QVERIFY(date.find_first_not_of("0123456789") == std::string::npos);
  QCOMPARE(form_->Label3->text(), QStringLiteral("/") + QString::fromStdString(date));
  // Around midnight the window may have loaded on the day before.
  const std::string today = engine::TodayFolderName();
  QVERIFY(date == today || date < today);
}

void MainFormTest::tabOrder() {
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  QStringList visited;
  for (int i = 0; i < 16; ++i) {
    visited << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  // The disabled Zip box takes no focus, and an option group is one stop, at its selected
  // button.
  const QStringList expected = {"cmdAddDir", "cmdChange", "cmdFind",      "cmdExec",
                                "cmdDelDir", "cmdClear",  "chkSubDir",    "listDir",
                                "listComp",  "txtTgtDir", "optFolder(0)", "cmdErase",
                                "cmdExit",   "cmdAddDir", "cmdChange",    "cmdFind"};
  QCOMPARE(visited, expected);
}

void MainFormTest::InstallLibrary() {
  const QString library = temp_.filePath(QStringLiteral("libunlha32.so"));
  QFile file(library);
  QVERIFY(file.open(QIODevice::WriteOnly));
  library_name_ = library.toStdString();
  form_ = MakeForm();
}

void MainFormTest::archiveLibraryCheckAtLoad() {
  // Missing (the default of these tests): cleared and disabled, the options left alone.
  QCOMPARE(form_->chkLHA->Value(), 0);
  QVERIFY(!form_->chkLHA->isEnabled());
  QVERIFY(form_->ArchiveLibrary().empty());
  QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());

  // Present: checked and enabled, and the run gets the path found.
  InstallLibrary();
  QCOMPARE(form_->chkLHA->Value(), 1);
  QVERIFY(form_->chkLHA->isEnabled());
  std::string handed_to_run;
  run_ = [&](engine::RunHost&, const engine::RunOptions& options) {
    handed_to_run = options.archive_library;
    return engine::RunOutcome::kCompleted;
  };
  Fill(1);
  form_->txtTgtDir->setText(QStringLiteral("/out"));
  form_->cmdExec->click();
  QCOMPARE(handed_to_run, library_name_);
}

void MainFormTest::selectionIsMirroredBetweenLists() {
  Fill(3);
  QSignalSpy dir_clicks(form_->listDir, &ui::ListBox::Click);
  QSignalSpy comp_clicks(form_->listComp, &ui::ListBox::Click);

  QTest::mouseClick(form_->listDir->viewport(), Qt::LeftButton, Qt::NoModifier,
                    form_->listDir->visualItemRect(form_->listDir->item(1)).center());
  QCOMPARE(form_->listDir->ListIndex(), 1);
  QCOMPARE(form_->listComp->ListIndex(), 1);
  // One change event on each side: the exchange comes to rest.
  QCOMPARE(dir_clicks.count(), 1);
  QCOMPARE(comp_clicks.count(), 1);

  QTest::mouseClick(form_->listComp->viewport(), Qt::LeftButton, Qt::NoModifier,
                    form_->listComp->visualItemRect(form_->listComp->item(2)).center());
  QCOMPARE(form_->listDir->ListIndex(), 2);

  form_->listComp->setFocus();
  QTest::keyClick(form_->listComp, Qt::Key_Up);
  QCOMPARE(form_->listComp->ListIndex(), 1);
  QCOMPARE(form_->listDir->ListIndex(), 1);

  // Ctrl+click does not leave a list box without a selection.
  QTest::mouseClick(form_->listDir->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    form_->listDir->visualItemRect(form_->listDir->item(1)).center());
  QCOMPARE(form_->listDir->ListIndex(), 1);
  QCOMPARE(form_->listComp->ListIndex(), 1);
}

void MainFormTest::editingThePairs() {
  Fill(3);
  form_->txtTgtDir->setText(QStringLiteral("/backup"));
  // Without a selected row, 削除, 変更 (which would open the picker) and なし do nothing.
  form_->cmdDelDir->click();
  form_->cmdChange->click();
  form_->cmdClear->click();
  QCOMPARE(ui_test::Rows(form_->listComp), QStringList({"なし", "/cmp/1", "なし"}));
  QCOMPARE(form_->listDir->ListCount(), 3);
  QVERIFY(form_->Picker() == nullptr);

  form_->listComp->SetListIndex(1);
  form_->cmdClear->click();
  QCOMPARE(ui_test::Rows(form_->listComp), QStringList({"なし", "なし", "なし"}));

  // 削除 removes the pair and leaves no row selected.
  form_->cmdDelDir->click();
  QCOMPARE(ui_test::Rows(form_->listDir), QStringList({"/src/0", "/src/2"}));
  QCOMPARE(form_->listComp->ListCount(), 2);
  QCOMPARE(form_->listDir->ListIndex(), -1);
  QCOMPARE(form_->listComp->ListIndex(), -1);

  // クリア empties the job but keeps the options and the date.
  form_->chkSubDir->SetValue(0);
  form_->optFolder[1]->setChecked(true);
  const QString date_label = form_->Label3->text();
  form_->cmdErase->click();
  QCOMPARE(form_->listDir->ListCount() + form_->listComp->ListCount(), 0);
  QVERIFY(form_->txtTgtDir->text().isEmpty());
  QCOMPARE(form_->chkSubDir->Value(), 0);
  QVERIFY(form_->optFolder[1]->isChecked());
  QCOMPARE(form_->Label3->text(), date_label);
  QVERIFY(messages_.shown().empty());
}

void MainFormTest::lhaMouseUpSwitchesFolderOptions() {
  InstallLibrary();
  form_->optFolder[1]->setChecked(true);

  QTest::mouseClick(form_->chkLHA, Qt::LeftButton);
  QCOMPARE(form_->chkLHA->Value(), 0);
  QVERIFY(!form_->optFolder[0]->isEnabled() && !form_->optFolder[1]->isEnabled());
  QVERIFY(form_->optFolder[1]->isChecked());

  QTest::mouseClick(form_->chkLHA, Qt::LeftButton);
  QCOMPARE(form_->chkLHA->Value(), 1);
  QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());

  // Only the mouse re-evaluates the options.
  form_->chkLHA->setFocus();
  QTest::keyClick(form_->chkLHA, Qt::Key_Space);
  QCOMPARE(form_->chkLHA->Value(), 0);
  QVERIFY(form_->optFolder[0]->isEnabled());
}

void MainFormTest::execChecksSourcesThenDestination_data() {
  QTest::addColumn<int>("pairs");
  QTest::addColumn<QString>("destination");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("runs");
  QTest::newRow("nothing") << 0 << ""
                           << "コピー元のフォルダが指定されていません。" << 0;
  QTest::newRow("no sources") << 0 << "/out"
                              << "コピー元のフォルダが指定されていません。" << 0;
  QTest::newRow("no destination") << 1 << ""
                                  << "コピー先のフォルダが指定されていません。" << 0;
  QTest::newRow("a blank destination") << 1 << " "
                                       << "" << 1;
}

void MainFormTest::execChecksSourcesThenDestination() {
  QFETCH(int, pairs);
  QFETCH(QString, destination);
  QFETCH(QString, message);
  QFETCH(int, runs);
  Fill(pairs);
  form_->txtTgtDir->setText(destination);
  form_->cmdExec->click();
  QCOMPARE(runs_, runs);
  if (message.isEmpty()) {
    QVERIFY(messages_.shown().empty());
  } else {
    QCOMPARE(messages_.shown().size(), std::size_t{1});
    const ShownMessage& shown = messages_.shown().front();
    QCOMPARE(QString::fromStdString(shown.text), message);
    QCOMPARE(shown.title, std::string("フォルダ未指定"));
    QCOMPARE(shown.flags, platform::kOkOnly | platform::kCritical);
  }
}

void MainFormTest::runLocksTheJobAndCannotBeEnteredTwice() {
  form_->optFolder[1]->setEnabled(false);
  form_->listDir->AddItem("/data/b/");
  form_->listComp->AddItem("/old/b");
  form_->txtTgtDir->setText(QStringLiteral("/backup"));
  form_->chkSubDir->SetValue(0);

  QStringList unlocked;
  Qt::CursorShape pointer = Qt::ArrowCursor;
  std::string job;
  bool progress_hidden_with_hourglass = false;
  run_ = [&](engine::RunHost& host, const engine::RunOptions&) {
    pointer = form_->cursor().shape();
    for (QWidget* widget : form_->findChildren<QWidget*>()) {
      if (widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus) {
        unlocked << widget->objectName();
      }
    }
    job = host.SourceFolder(0) + "|" + host.ComparisonFolder(0) + "|" + host.DestinationText() +
          "|" + std::to_string(host.PairCount()) + std::to_string(host.IncludeSubfolders()) +
          std::to_string(host.ReadArchives()) + std::to_string(host.MatchFolders());
    std::unique_ptr<engine::ProgressView> progress = host.LoadProgress();
    auto* dialog = dynamic_cast<QWidget*>(progress.get());
    progress_hidden_with_hourglass =
        dialog != nullptr && !dialog->isVisible() && dialog->cursor().shape() == Qt::WaitCursor;
    // A click on 実行 that reaches the window while the run lets events through.
    QTimer::singleShot(0, [this] { QTest::mouseClick(form_->cmdExec, Qt::LeftButton); });
    host.DoEvents();
    return engine::RunOutcome::kCompleted;
  };
  form_->cmdExec->click();
  QCOMPARE(runs_, 1);
  QCOMPARE(pointer, Qt::WaitCursor);
  QCOMPARE(unlocked, QStringList({"cmdExit"}));
  QCOMPARE(job, std::string("/data/b/|/old/b|/backup|1001"));
  QVERIFY(progress_hidden_with_hourglass);

  // Afterwards every control is as it was, including those that were disabled before.
  QVERIFY(!form_->RunInProgress());
  QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);
  QVERIFY(form_->listDir->isEnabled() && form_->cmdExec->isEnabled());
  QVERIFY(form_->optFolder[0]->isEnabled() && !form_->optFolder[1]->isEnabled());
  QVERIFY(!form_->chkLHA->isEnabled() && !form_->chkZIP->isEnabled());
}

void MainFormTest::closeDuringRunAsksTheRun_data() {
  QTest::addColumn<int>("answer");
  QTest::newRow("Yes ends the program") << int(platform::kAnswerYes);
  QTest::newRow("No goes on") << int(platform::kAnswerNo);
}

void MainFormTest::closeDuringRunAsksTheRun() {
  QFETCH(int, answer);
  Fill(1);
  form_->txtTgtDir->setText(QStringLiteral("/out"));
  QSignalSpy closed(form_.get(), &ui::MainForm::Closed);
  int steps = 0;
  run_ = [&](engine::RunHost& host, const engine::RunOptions&) {
    engine::CancelRequested = false;
    for (steps = 0; steps < 10; ++steps) {
      if (steps == 3) QTimer::singleShot(0, form_.get(), &QWidget::close);
      host.DoEvents();
      // The window stays until the run has ended.
      if (!form_->isVisible() || !closed.isEmpty()) return engine::RunOutcome::kAborted;
      if (CancelConfirmed(host)) return engine::RunOutcome::kCancelled;
    }
    return engine::RunOutcome::kCompleted;
  };
  messages_.Answer(answer);
  form_->cmdExec->click();

  QCOMPARE(messages_.shown().size(), std::size_t{1});
  QCOMPARE(messages_.shown().front().title, std::string("ｷｬﾝｾﾙ確認"));
  if (answer == platform::kAnswerYes) {
    QCOMPARE(steps, 3);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!form_->isVisible());
  } else {
    QCOMPARE(steps, 10);
    QCOMPARE(closed.count(), 0);
    QVERIFY(form_->isVisible());
    // Declined once, a later close during the next run asks again.
    messages_.Answer(platform::kAnswerYes);
    form_->cmdExec->click();
    QCOMPARE(messages_.shown().size(), std::size_t{2});
    QCOMPARE(closed.count(), 1);
  }
}

void MainFormTest::exitEndsTheProgram() {
  QSignalSpy closed(form_.get(), &ui::MainForm::Closed);
  QTest::mouseClick(form_->cmdExit, Qt::LeftButton);
  QCOMPARE(closed.count(), 1);
  QVERIFY(!form_->isVisible());
  QVERIFY(messages_.shown().empty());
}

void MainFormTest::aboutBoxFromTheBackgroundOnly() {
  // A double-click on a control is the control's.
  QTest::mouseDClick(form_->Label1, Qt::LeftButton);
  QTest::mouseDClick(form_->Frame1, Qt::LeftButton, Qt::NoModifier, QPoint(150, 5));
  QVERIFY(form_->About() == nullptr);

  const QPoint background(600, 20);
  QVERIFY(form_->childAt(background) == nullptr);
  QTest::mouseDClick(form_.get(), Qt::LeftButton, Qt::NoModifier, background);
  QPointer<ui::frmAbout> about = form_->About();
  QVERIFY(about != nullptr);
  QVERIFY(about->isVisible());
  QVERIFY(!about->isModal());
  QVERIFY(about->parentWidget() == nullptr);
  QCOMPARE(about->windowTitle(), QStringLiteral("Grebewickのﾊﾞｰｼﾞｮﾝ情報"));
  QCOMPARE(about->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.0.1"));
  QCOMPARE(about->lblDescription->text(), QStringLiteral("変更されたファイルを抜出します。"));
  const QStringList title = about->lblTitle->text().split('\n');
  QCOMPARE(title.size(), 2);
  QCOMPARE(title[0], QStringLiteral("「Grebewick」"));
  QVERIFY(title[1].contains(QStringLiteral("2000")));
  QCOMPARE(about->lblDisclaimer->text().split('\n').size(), 3);
  QCOMPARE(about->cmdSysInfo->text(), QStringLiteral("ｼｽﾃﾑ情報(&S)..."));

  // A second double-click brings the same box forward.
  QTest::mouseDClick(form_.get(), Qt::LeftButton, Qt::NoModifier, background);
  QCOMPARE(form_->About(), about.data());
  int boxes = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<ui::frmAbout*>(window) != nullptr) ++boxes;
  }
  QCOMPARE(boxes, 1);

  // Without a system-information tool the box says so and stays open.
  about->cmdSysInfo->click();
  QCOMPARE(messages_.shown().size(), std::size_t{1});
  QCOMPARE(messages_.shown().front().text, std::string("現時点ではｼｽﾃﾑ情報を使用できません"));
  QCOMPARE(messages_.shown().front().flags, platform::kOkOnly);
  QCOMPARE(messages_.shown().front().title, std::string("Grebewick"));
  QVERIFY(about->isVisible());

  // "OK" unloads it; the next double-click loads it afresh.
  about->cmdOK->click();
  QTRY_VERIFY(about.isNull());
  QVERIFY(form_->About() == nullptr);
  QTest::mouseDClick(form_.get(), Qt::LeftButton, Qt::NoModifier, background);
  QVERIFY(form_->About() != nullptr);
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
