// The main window: its layout and tab order against the control table, its state at load,
// the list pairing and the handlers, the checks before a run, and the about box.
#include "engine/common.h"
#include "test_support.h"

class MainFormTest : public QObject {
  Q_OBJECT

  testing_support::ScriptedHost messages_;
  std::vector<std::string> runs_;  // the job each run was given
  bool fail_runs_ = false;
  std::unique_ptr<ui::MainForm> form_;
  QTemporaryDir temp_;
  std::string library_;

  void MakeForm(bool with_library) {
    ui::MainFormOptions options;
    options.messages = &messages_;
    options.archive_library_name = with_library ? library_ : "libunlha32-not-installed-anywhere.so";
    options.run = [this](const engine::Job& job, engine::RunHost&, const engine::RunOptions& run) {
      if (fail_runs_) throw std::runtime_error("no memory");
      const engine::FolderPair& first = job.pairs.at(0);
      runs_.push_back(run.archive_library + "|" + first.source + "|" +
                      (first.comparisons.empty() ? std::string("なし") : first.comparisons[0]) +
                      "|" + job.destination + "|" + std::to_string(job.pairs.size()) +
                      std::to_string(job.include_subfolders) + std::to_string(job.read_archives) +
                      std::to_string(job.match_folders));
      return engine::RunOutcome::kCompleted;
    };
    form_ = std::make_unique<ui::MainForm>(std::move(options));
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
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
    library_ = temp_.filePath(QStringLiteral("libunlha32.so")).toStdString();
    QFile library(QString::fromStdString(library_));
    QVERIFY(temp_.isValid() && library.open(QIODevice::WriteOnly));
  }

  void init() {
    messages_ = {};
    runs_.clear();
    fail_runs_ = false;
    MakeForm(false);
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
    // A label without a caption (the date) is filled in at load.
    if (!caption.isEmpty() || !widget->inherits("QLabel")) {
      QCOMPARE(widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString(),
               caption);
    }
    if (!tab_from.isEmpty()) {
      form_->findChild<QWidget*>(tab_from)->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), widget);
    }
  }

  void stateAtLoadAndTheArchiveLibrary() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Grebewick"));
    QCOMPARE(form_->size(), QSize(657, 404));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
    QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(QApplication::focusWidget(), form_->cmdAddDir);
    QCOMPARE(form_->chkSubDir->Value(), 1);
    QVERIFY(form_->chkZIP->Value() == 0 && !form_->chkZIP->isEnabled());
    QVERIFY(form_->optFolder[0]->isChecked());
    QCOMPARE(engine::DateFolderName.size(), 8u);
    QCOMPARE(form_->Label3->text(), QChar::fromLatin1(platform::Separator()) +
                                        QString::fromStdString(engine::DateFolderName));

    // Without the archive library the LHA box is cleared and disabled, the options left alone.
    QVERIFY(form_->chkLHA->Value() == 0 && !form_->chkLHA->isEnabled());
    QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());
    QVERIFY(form_->ArchiveLibrary().empty());
    // With it the box is checked and enabled, and the run gets the library found along with
    // the job.
    MakeForm(true);
    QVERIFY(form_->chkLHA->Value() == 1 && form_->chkLHA->isEnabled());
    form_->listDir->AddItem("/data/b/");
    form_->listComp->AddItem("/old/b");
    form_->txtTgtDir->setText(QStringLiteral("/backup"));
    form_->chkSubDir->SetValue(0);
    form_->optFolder[1]->setChecked(true);
    form_->cmdExec->click();
    QCOMPARE(runs_, std::vector<std::string>{library_ + "|/data/b/|/old/b|/backup|1010"});
    // Unchecking LHA with the mouse disables the folder options; checking it enables them.
    QTest::mouseClick(form_->chkLHA, Qt::LeftButton);
    QVERIFY(!form_->optFolder[0]->isEnabled() && !form_->optFolder[1]->isEnabled());
    QTest::mouseClick(form_->chkLHA, Qt::LeftButton);
    QVERIFY(form_->optFolder[0]->isEnabled() && form_->optFolder[1]->isEnabled());
  }

  void listsArePairedAndEdited() {
    Fill(3);
    form_->txtTgtDir->setText(QStringLiteral("/backup"));
    // Without a selected row, 削除, 変更 (which would open the picker) and なし do nothing.
    for (auto* button : {form_->cmdDelDir, form_->cmdChange, form_->cmdClear}) button->click();
    QCOMPARE(ui_test::Rows(form_->listComp), QStringList({"なし", "/cmp/1", "なし"}));
    QCOMPARE(form_->listDir->ListCount(), 3);
    QVERIFY(form_->Picker() == nullptr);

    // A selection in one list selects the same row in the other, with one change event on each
    // side: the exchange comes to rest.
    QSignalSpy dir_changes(form_->listDir, &ui::ListBox::Click);
    QSignalSpy comp_changes(form_->listComp, &ui::ListBox::Click);
    ClickRow(form_->listDir, 1);
    QCOMPARE(form_->listComp->ListIndex(), 1);
    QCOMPARE(dir_changes.count(), 1);
    QCOMPARE(comp_changes.count(), 1);
    ClickRow(form_->listComp, 2);
    QCOMPARE(form_->listDir->ListIndex(), 2);
    QTest::keyClick(form_->listComp, Qt::Key_Up);
    QCOMPARE(form_->listDir->ListIndex(), 1);
    // Neither Ctrl+click nor a click in the empty area leaves a list without a selection.
    ClickRow(form_->listDir, 1, Qt::ControlModifier);
    for (auto* list : {form_->listDir, form_->listComp}) {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 100));
    }
    QVERIFY(form_->listDir->ListIndex() == 1 && form_->listComp->ListIndex() == 1);

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
    QVERIFY(!form_->isVisible() && messages_.boxes.empty());
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
    QCOMPARE(messages_.boxes.size(), message.isEmpty() ? 0u : 1u);
    for (const auto& box : messages_.boxes) {
      QCOMPARE(QString::fromStdString(box.text), message);
      QCOMPARE(box.title, std::string("フォルダ未指定"));
      QCOMPARE(box.flags, platform::kOkOnly | platform::kCritical);
    }
  }

  // The frame's border runs round the table's rectangle, its top through the caption's
  // middle and above the controls inside, whatever the style.
  void theArchiveFrameIsDrawnAtItsRectangle() {
    const QRect twips(5040, 3720, 4575, 855);
    const QRect table(twips.topLeft() / 15, twips.size() / 15);
    for (const QString& key : QStyleFactory::keys()) {
      QApplication::setStyle(key);
      ui::Frame* frame = form_->Frame1;
      const QRect caption = frame->CaptionRect();
      const QRect border = frame->BorderRect();
      const QRect drawn = border.translated(frame->mapTo(form_.get(), QPoint(0, 0)));
      QCOMPARE(drawn.left(), table.left());
      QCOMPARE(drawn.right(), table.right());
      QCOMPARE(drawn.bottom(), table.bottom());
      QCOMPARE(drawn.top(), table.top() + caption.height() / 2);
      for (QWidget* inside : frame->findChildren<QWidget*>()) {
        QVERIFY2(border.top() < inside->geometry().top(), qPrintable(inside->objectName()));
      }
      // The lines the style drew: the shadow's full rows and columns are the border's.
      const QImage image = frame->grab().toImage();
      const QRgb dark = frame->palette().color(QPalette::Dark).rgb();
      QList<int> rows, columns;
      for (int y = 0; y < image.height(); ++y) {
        int count = 0;
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == dark;
        if (count > image.width() / 2) rows << y;
      }
      for (int x = 0; x < image.width(); ++x) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) count += image.pixel(x, y) == dark;
        if (count > border.height() / 2) columns << x;
      }
      QCOMPARE(rows, QList<int>({border.top(), border.bottom() - 1}));
      QCOMPARE(columns, QList<int>({border.left(), border.right() - 1}));
    }
    ui::ApplyLook(*qApp);
  }

  void anUnforeseenFailureIsReportedWithTheRunsOwnText() {
    fail_runs_ = true;
    Fill(1);
    form_->txtTgtDir->setText(QStringLiteral("/backup"));
    form_->cmdExec->click();
    QCOMPARE(messages_.boxes.size(), 1u);
    QCOMPARE(messages_.boxes[0].text,
             std::string("予期しないエラーのため処理を中止します。\rno memory"));
    QVERIFY(form_->cmdExec->isEnabled() && !form_->RunInProgress());
  }

  void aDoubleClickOpensOneAboutBox() {
    // Twice, on the window's background.
    for (int i = 0; i < 2; ++i) QTest::mouseDClick(form_.get(), Qt::LeftButton, {}, {600, 20});
    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) boxes += w->inherits("ui::frmAbout");
    QCOMPARE(boxes, 1);
    ui::frmAbout* about = form_->About();
    QVERIFY(about->isVisible());
    QCOMPARE(about->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.0.1"));
    // Enter presses the focused button: the system-information tool (none is registered here)
    // rather than "OK".
    about->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(about));
    about->cmdSysInfo->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(messages_.boxes.size(), 1u);
    QCOMPARE(messages_.boxes[0].text, std::string("現時点ではｼｽﾃﾑ情報を使用できません"));
    QVERIFY(about->isVisible());
  }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
