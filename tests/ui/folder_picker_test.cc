// The folder picker: where it starts, how its folder list and drive selector move, what it
// writes into the main window for each way in, and that it reopens where it was left.
#include "test_support.h"

using ui::SubForm2;
using ui_test::ClickEntry;
using ui_test::Rows;
using ui_test::Slashed;

class FolderPickerTest : public QObject {
  Q_OBJECT

  testing_support::ScriptedHost messages_;
  ui_test::FolderTree tree_;
  std::unique_ptr<ui::MainForm> form_;

  void Pick(const char* purpose, const std::function<void(SubForm2*)>& act) {
    ui_test::WithPicker([&] { ui::ShowFolderPicker(*form_, QString::fromUtf8(purpose)); }, act);
  }

 private slots:
  void initTestCase() { ui::ApplyLook(*qApp); }

  void init() {
    tree_ = ui_test::FolderTree(
        {"/home/user/docs/letters", "/home/user/docs/Reports", "/home/user/docs/archive",
         "/home/user/music", "/media/cd/disc1", "/etc"},
        "/home/user/docs");
    form_ = std::make_unique<ui::MainForm>(ui_test::TreeOptions(messages_, tree_, "/media/cd"));
    form_->show();
  }

  void cleanup() { form_.reset(); }

  void startNavigateAndChangeDrive() {
    tree_.unreadable.insert("/media/cd");
    Pick(ui::kPurposeDestination, [&](SubForm2* picker) {
      ui::FolderList* dir = picker->Dir1;
      ui::DriveList* drive = picker->Drive1;
      QVERIFY(picker->isModal() && picker->parentWidget() == form_.get());
      // Centred over its owner (give or take the window frame).
      QVERIFY((picker->geometry().center() - form_->geometry().center()).manhattanLength() < 40);
      // A new picker starts at the current folder, on the volume that holds it, showing the
      // root, the ancestors, the folder and its subfolders (sorted without regard to case).
      QCOMPARE(drive->currentText(), QStringLiteral("/home  [/dev/sda2]"));
      QCOMPARE(Rows(dir), QStringList({"/", "/home", "/home/user", "/home/user/docs",
                                       "/home/user/docs/archive", "/home/user/docs/letters",
                                       "/home/user/docs/Reports"}));
      QCOMPARE(dir->item(2)->text(), QStringLiteral("user"));
      QCOMPARE(Slashed(dir->HighlightedPath()), std::string("/home/user/docs"));
      // A single click or an arrow key moves the highlight without opening.
      ClickEntry(dir, "/home/user/docs/letters");
      QTest::keyClick(dir, Qt::Key_Down);
      QCOMPARE(Slashed(dir->HighlightedPath()), std::string("/home/user/docs/Reports"));
      QCOMPARE(Slashed(dir->Path()), std::string("/home/user/docs"));
      // A double-click opens an entry, even one whose folders cannot be read, and the drive
      // selector follows.
      ClickEntry(dir, "/", true);
      ClickEntry(dir, "/media", true);
      ClickEntry(dir, "/media/cd", true);
      QCOMPARE(Rows(dir), QStringList({"/", "/media", "/media/cd"}));
      QCOMPARE(Slashed(drive->Drive()), std::string("/media/cd"));
      // Choosing a volume opens its root; one that is not there leaves the list where it was.
      drive->setCurrentIndex(0);
      QCOMPARE(Rows(dir), QStringList({"/", "/etc", "/home", "/media"}));
      tree_.Remove("/home");
      drive->setCurrentIndex(1);
      QCOMPARE(Slashed(dir->Path()), std::string("/"));
      // Enter on a control that is not a button presses "確定".
      drive->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(Slashed(form_->txtTgtDir->text()), QStringLiteral("/"));
  }

  void eachWayInWritesItsPlace_data() {
    QTest::addColumn<QString>("way");  // the button pressed or the list double-clicked
    QTest::addColumn<int>("row");      // the row selected beforehand
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("job");  // sources | comparison folders | destination afterwards
    const QString before = "/a /b | なし /old/b | ";
    QTest::newRow("追加") << "cmdAddDir" << 1 << "コピー元フォルダ指定"
                          << "/a /b /home/user/music | なし /old/b なし | ";
    QTest::newRow("変更") << "cmdChange" << 1 << "比較元フォルダ指定"
                          << "/a /b | なし /home/user/music | ";
    QTest::newRow("参照") << "cmdFind" << 1 << "コピー先フォルダ指定"
                          << before + "/home/user/music";
    QTest::newRow("listComp") << "listComp" << 1 << "比較元フォルダ指定"
                              << "/a /b | なし /home/user/music | ";
    QTest::newRow("listDir") << "listDir" << 1 << "コピー元フォルダ変更"
                             << "/a /home/user/music | なし /old/b | ";
    // Opened by a double-click without a selected row, the replacing purposes write nothing.
    QTest::newRow("listComp, no row") << "listComp" << -1 << "比較元フォルダ指定" << before;
    QTest::newRow("listDir, no row") << "listDir" << -1 << "コピー元フォルダ変更" << before;
  }

  void eachWayInWritesItsPlace() {
    QFETCH(QString, way);
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, job);
    form_->listDir->AddItem("/a");
    form_->listComp->AddItem("なし");
    form_->listDir->AddItem("/b");
    form_->listComp->AddItem("/old/b");
    form_->listDir->SetListIndex(row);
    auto open = [&] {
      if (auto* list = form_->findChild<ui::ListBox*>(way)) {
        // In the list's empty area, which keeps the selected row.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 100));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 100));
      } else {
        form_->findChild<QPushButton*>(way)->click();
      }
    };
    ui_test::WithPicker(open, [&](SubForm2* picker) {
      QCOMPARE(picker->windowTitle(), title);
      ClickEntry(picker->Dir1, "/home/user", true);
      ClickEntry(picker->Dir1, "/home/user/music");
      picker->Command1->click();
    });
    QCOMPARE(Rows(form_->listDir).join(' ') + " | " + Rows(form_->listComp).join(' ') + " | " +
                 Slashed(form_->txtTgtDir->text()),
             job);
    // After 追加 the new row is selected in both lists; otherwise the selection stays.
    const int selected = way == "cmdAddDir" ? 2 : row;
    QVERIFY(form_->listDir->ListIndex() == selected && form_->listComp->ListIndex() == selected);
  }

  void reopensWhereItWasLeft() {
    Pick(ui::kPurposeAddSource, [](SubForm2* picker) {
      ClickEntry(picker->Dir1, "/home/user", true);
      ClickEntry(picker->Dir1, "/home/user/music");
      // A click in the empty area keeps the highlight; Enter on "取消" presses "取消".
      QTest::mouseClick(picker->Dir1->viewport(), Qt::LeftButton, {}, QPoint(20, 100));
      QCOMPARE(picker->Dir1->selectedItems().size(), 1);
      for (int tab = 0; tab < 2; ++tab) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), picker->Command2);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(form_->listDir->ListCount(), 0);
    SubForm2* first = form_->Picker();
    QVERIFY(first != nullptr && !first->isVisible());
    const QPoint place = first->pos();
    // Whatever the purpose and whatever the text being changed holds, it opens where it was
    // left, with what is there now; Enter confirms.
    form_->txtTgtDir->setText(QStringLiteral("/etc"));
    tree_.AddFolder("/home/user/video");
    Pick(ui::kPurposeDestination, [&](SubForm2* picker) {
      QVERIFY(picker == first && picker->pos() == place);
      QCOMPARE(Slashed(picker->Dir1->HighlightedPath()), std::string("/home/user/music"));
      picker->Dir1->setFocus();
      QTest::keyClick(picker->Dir1, Qt::Key_Down);
      QTest::keyClick(picker->Dir1, Qt::Key_Return);
    });
    QCOMPARE(Slashed(form_->txtTgtDir->text()), QStringLiteral("/home/user/video"));
    // Esc takes nothing.
    Pick(ui::kPurposeDestination, [](SubForm2* picker) {
      QTest::keyClick(picker->Dir1, Qt::Key_Up);
      QTest::keyClick(picker->Dir1, Qt::Key_Escape);
    });
    QCOMPARE(Slashed(form_->txtTgtDir->text()), QStringLiteral("/home/user/video"));
  }

  // A name is shown as it is, never read as markup: in the list and in the entry's tooltip.
  void namesArePlainText() {
    const std::string name = "x<u>y <font color=red size=7>BIG";
    tree_.AddFolder("/home/user/docs/" + name);
    Pick(ui::kPurposeDestination, [&](SubForm2* picker) {
      QListWidgetItem* entry = picker->Dir1->item(picker->Dir1->count() - 1);
      QCOMPARE(entry->text(), QString::fromStdString(name));
      const QPoint at = picker->Dir1->visualItemRect(entry).center();
      QHelpEvent help(QEvent::ToolTip, at, picker->Dir1->viewport()->mapToGlobal(at));
      QApplication::sendEvent(picker->Dir1->viewport(), &help);
      QTRY_VERIFY(QToolTip::isVisible());
      // The tooltip label reads its text as Qt reads every label's.
      QTextDocument shown;
      if (Qt::mightBeRichText(QToolTip::text())) {
        shown.setHtml(QToolTip::text());
      } else {
        shown.setPlainText(QToolTip::text());
      }
      QCOMPARE(Slashed(shown.toPlainText()), QString::fromStdString("/home/user/docs/" + name));
      QToolTip::hideText();
    });
  }
};

QTEST_MAIN(FolderPickerTest)
#include "folder_picker_test.moc"
