// The main window: its layout and tab order against the control table, its state at load,
// the list pairing and the handlers, the checks before a run, what a run sees of the window,
// and the about box.
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "engine/common.h"
#include "test_support.h"
#include "ui/frm_about.h"

class MainFormTest : public QObject {
  Q_OBJECT

  ui_test::ScriptedMessages messages_;
  std::vector<std::string> runs_;  // the job each run was given
  std::string library_;
  std::unique_ptr<ui::MainForm> form_;
  QTemporaryDir temp_;

  void MakeForm() {
    ui::MainFormOptions options;
    options.messages = &messages_;
    options.archive_library_name = library_;
    options.run = [this](engine::RunHost& host, const engine::RunOptions& run) {
      runs_.push_back(run.archive_library + "|" + host.SourceFolder(0) + "|" +
                      host.ComparisonFolder(0) + "|" + host.DestinationText() + "|" +
                      std::to_string(host.PairCount()) + std::to_string(host.IncludeSubfolders()) +
                      std::to_string(host.ReadArchives()) + std::to_string(host.MatchFolders()));
      return engine::RunOutcome::kCompleted;
    };
    form_ = std::make_unique<ui::MainForm>(std::move(options));
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }

  void InstallLibrary() {
    library_ = temp_.filePath(QStringLiteral("libunlha32.so")).toStdString();
    QFile file(QString::fromStdString(library_));
    QVERIFY(file.open(QIODevice::WriteOnly));
    MakeForm();
  }

  // Pairs of /src/i with, for odd i, /cmp/i as comparison folder.
  void Fill(int pairs) {
    for (int i = 0; i < pairs; ++i) {
      form_->listDir->AddItem("/src/" + std::to_string(i));
      form_->listComp->AddItem(i % 2 == 0 ? "なし" : "/cmp/" + std::to_string(i));
    }
  }

  static void ClickRow(ui::ListBox* list, int row, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualItemRect(list->item(row)).center());
  }

 private slots:
  void initTestCase() {
    ui::ApplyLook(*qApp);
    QVERIFY(temp_.isValid());
  }

  void init() {
    messages_ = {};
    runs_.clear();
    library_ = "libunlha32-not-installed-anywhere.so";
    MakeForm();
  }

  void cleanup() { form_.reset(); }

  void layoutFollowsTheTable_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("tab_from");  // the tab stop before it; "" when Tab passes it by
    auto row = [](const char* name, const char* caption, QRect twips, const char* tab_from) {
      QTest::newRow(name) << QString::fromUtf8(caption) << twips << QString::fromUtf8(tab_from);
    };
    row("Label1", "コピー元", {240, 360, 1935, 255}, "");
    row("cmdErase", "クリア", {3720, 120, 1095, 375}, "optFolder(0)");
    row("listDir", "", {240, 600, 4575, 2160}, "chkSubDir");
    row("Label4", "比較先", {5040, 360, 1215, 255}, "");
    row("listComp", "", {5040, 600, 4575, 2175}, "listDir");
    row("cmdAddDir", "追加", {240, 3000, 1095, 375}, "cmdExit");
    row("cmdDelDir", "削除", {1680, 3000, 1095, 375}, "cmdExec");
    row("chkSubDir", "ｻﾌﾞﾌｫﾙﾀﾞも対象", {3240, 3000, 1575, 255}, "cmdClear");
    row("cmdChange", "変更", {5040, 3000, 1095, 375}, "cmdAddDir");
    row("cmdClear", "なし", {6480, 3000, 1095, 375}, "cmdDelDir");
    row("Label2", "コピー先", {240, 3960, 1935, 255}, "");
    row("txtTgtDir", "", {240, 4200, 2535, 375}, "listComp");
    row("Label3", "", {2760, 4320, 975, 255}, "");
    row("cmdFind", "参照", {3720, 4200, 1095, 375}, "cmdChange");
    // Positions inside the frame are relative to it. The LHA box (without the library) and the
    // Zip box are disabled, and an option group is one stop, at its selected button.
    row("Frame1", "ｱｰｶｲﾊﾞ", {5040, 3720, 4575, 855}, "");
    row("chkLHA", "LHA", {240, 240, 1335, 255}, "");
    row("chkZIP", "Zip", {240, 480, 1095, 255}, "");
    row("optFolder(0)", "ﾌｫﾙﾀﾞ有効", {3120, 240, 1215, 255}, "txtTgtDir");
    row("optFolder(1)", "ﾌｫﾙﾀﾞ無効", {3120, 480, 1215, 255}, "");
    row("cmdExec", "実行", {240, 5160, 1695, 495}, "cmdFind");
    row("cmdExit", "終了", {7920, 5160, 1695, 495}, "cmdErase");
  }

  void layoutFollowsTheTable() {
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(QString, tab_from);
    auto* widget = form_->findChild<QWidget*>(QTest::currentDataTag());
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->geometry(), QRect(twips.topLeft() / 15, twips.size() / 15));
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) text = frame->title();
    if (auto* label = qobject_cast<QLabel*>(widget); label && !caption.isEmpty()) {
      text = label->text();
    }
    QCOMPARE(text, caption);
    if (!tab_from.isEmpty()) {
      form_->findChild<QWidget*>(tab_from)->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), widget);
    }
  }

  void stateAtLoad() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Grebewick"));
    QCOMPARE(form_->size(), QSize(657, 404));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
    QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(QApplication::focusWidget(), form_->cmdAddDir);
    QCOMPARE(form_->chkSubDir->Value(), 1);
    QVERIFY(form_->chkZIP->Value() == 0 && !form_->chkZIP->isEnabled());
    QVERIFY(form_->optFolder[0]->isChecked());
    const std::string date = engine::DateFolderName;
    QVERIFY(date.size() == 8 && date.find_first_not_of("0123456789") == std::string::npos);
    QVERIFY(date <= engine::TodayFolderName());  // the window may have loaded before midnight
    QCOMPARE(form_->Label3->text(), "/" + QString::fromStdString(date));

    // Without the archive library the LHA box is cleared and disabled, the options left alone.
    QVERIFY(form_->chkLHA->Value() == 0 && !form_->chkLHA->isEnabled());
    QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());
    QVERIFY(form_->ArchiveLibrary().empty());
    // With it the box is checked and enabled, and the run gets the library found along with
    // the job.
    InstallLibrary();
    QVERIFY(form_->chkLHA->Value() == 1 && form_->chkLHA->isEnabled());
    form_->listDir->AddItem("/data/b/");
    form_->listComp->AddItem("/old/b");
    form_->txtTgtDir->setText(QStringLiteral("/backup"));
    form_->chkSubDir->SetValue(0);
    form_->optFolder[1]->setChecked(true);
    form_->cmdExec->click();
    QCOMPARE(runs_, std::vector<std::string>{library_ + "|/data/b/|/old/b|/backup|1010"});
  }

  void selectionIsMirroredBetweenLists() {
    Fill(3);
    QSignalSpy dir_changes(form_->listDir, &ui::ListBox::Click);
    QSignalSpy comp_changes(form_->listComp, &ui::ListBox::Click);
    ClickRow(form_->listDir, 1);
    QCOMPARE(form_->listComp->ListIndex(), 1);
    // One change event on each side: the exchange comes to rest.
    QCOMPARE(dir_changes.count(), 1);
    QCOMPARE(comp_changes.count(), 1);
    ClickRow(form_->listComp, 2);
    QCOMPARE(form_->listDir->ListIndex(), 2);
    QTest::keyClick(form_->listComp, Qt::Key_Up);
    QCOMPARE(form_->listDir->ListIndex(), 1);
    // Ctrl+click does not leave a list without a selection.
    ClickRow(form_->listDir, 1, Qt::ControlModifier);
    QVERIFY(form_->listDir->ListIndex() == 1 && form_->listComp->ListIndex() == 1);
  }

  void editingThePairs() {
    Fill(3);
    form_->txtTgtDir->setText(QStringLiteral("/backup"));
    // Without a selected row, 削除, 変更 (which would open the picker) and なし do nothing.
    for (QPushButton* button : {form_->cmdDelDir, form_->cmdChange, form_->cmdClear}) {
      button->click();
    }
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
    QVERIFY(form_->listDir->ListIndex() == -1 && form_->listComp->ListIndex() == -1);

    // クリア empties the job but keeps the options and the date.
    form_->chkSubDir->SetValue(0);
    form_->optFolder[1]->setChecked(true);
    const QString date_label = form_->Label3->text();
    form_->cmdErase->click();
    QCOMPARE(form_->listDir->ListCount() + form_->listComp->ListCount(), 0);
    QVERIFY(form_->txtTgtDir->text().isEmpty());
    QVERIFY(form_->chkSubDir->Value() == 0 && form_->optFolder[1]->isChecked());
    QCOMPARE(form_->Label3->text(), date_label);

    // 終了 closes the window without asking, which ends the program.
    QSignalSpy closed(form_.get(), &ui::MainForm::Closed);
    QTest::mouseClick(form_->cmdExit, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!form_->isVisible() && messages_.shown.empty());
  }

  void lhaMouseUpAloneSwitchesTheFolderOptions() {
    InstallLibrary();
    form_->optFolder[1]->setChecked(true);
    QTest::mouseClick(form_->chkLHA, Qt::LeftButton);
    QCOMPARE(form_->chkLHA->Value(), 0);
    QVERIFY(!form_->optFolder[0]->isEnabled() && !form_->optFolder[1]->isEnabled());
    QVERIFY(form_->optFolder[1]->isChecked());
    QTest::mouseClick(form_->chkLHA, Qt::LeftButton);
    QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());
    QTest::keyClick(form_->chkLHA, Qt::Key_Space);
    QCOMPARE(form_->chkLHA->Value(), 0);
    QVERIFY(form_->optFolder[0]->isEnabled());
  }

  void execChecksSourcesThenDestination_data() {
    QTest::addColumn<int>("pairs");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("message");  // "" when the run starts
    QTest::newRow("nothing") << 0 << ""
                             << "コピー元のフォルダが指定されていません。";
    QTest::newRow("no destination") << 1 << ""
                                    << "コピー先のフォルダが指定されていません。";
    QTest::newRow("a blank destination") << 1 << " "
                                         << "";
  }

  void execChecksSourcesThenDestination() {
    QFETCH(int, pairs);
    QFETCH(QString, destination);
    QFETCH(QString, message);
    Fill(pairs);
    form_->txtTgtDir->setText(destination);
    form_->cmdExec->click();
    QCOMPARE(runs_.size(), message.isEmpty() ? 1u : 0u);
    QCOMPARE(messages_.shown.size(), message.isEmpty() ? 0u : 1u);
    for (const ui_test::ShownMessage& shown : messages_.shown) {
      QCOMPARE(QString::fromStdString(shown.text), message);
      QCOMPARE(shown.title, std::string("フォルダ未指定"));
      QCOMPARE(shown.flags, platform::kOkOnly | platform::kCritical);
    }
  }

  void aboutBoxFromTheBackgroundOnly() {
    // A double-click on a control is the control's.
    QTest::mouseDClick(form_->Frame1, Qt::LeftButton, Qt::NoModifier, QPoint(150, 5));
    QVERIFY(form_->About() == nullptr);
    const QPoint background(600, 20);
    QTest::mouseDClick(form_.get(), Qt::LeftButton, Qt::NoModifier, background);
    QPointer<ui::frmAbout> about = form_->About();
    QVERIFY(about && about->isVisible() && !about->isModal() && !about->parentWidget());
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

    // Without a system-information tool the box says so and stays open.
    about->cmdSysInfo->click();
    QCOMPARE(messages_.shown.size(), 1u);
    QCOMPARE(messages_.shown[0].text, std::string("現時点ではｼｽﾃﾑ情報を使用できません"));
    QCOMPARE(messages_.shown[0].flags, platform::kOkOnly);
    QCOMPARE(messages_.shown[0].title, std::string("Grebewick"));
    QVERIFY(about->isVisible());
    // "OK" unloads it; the next double-click loads it afresh.
    about->cmdOK->click();
    QTRY_VERIFY(about.isNull());
    QTest::mouseDClick(form_.get(), Qt::LeftButton, Qt::NoModifier, background);
    QVERIFY(form_->About() != nullptr);
  }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
