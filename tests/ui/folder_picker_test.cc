// The folder picker: where it starts, how its folder list and drive selector move, what each
// purpose writes into the main window, and its life across uses.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <vector>

#include "test_support.h"
#include "ui/controls.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/look.h"
#include "ui/main_form.h"
#include "ui/sub_form2.h"

using ui::SubForm2;

namespace {

const std::vector<platform::Volume> kVolumes = {
    {"/", "/dev/sda1", "ext4"},
    {"/home", "/dev/sda2", "ext4"},
    {"/media/cd", "/dev/sr0", "iso9660"},
};

QStringList EntryPaths(ui::FolderList* list) {
  QStringList paths;
  for (int i = 0; i < list->count(); ++i) paths << QString::fromStdString(list->EntryPath(i));
  return paths;
}

void ClickEntry(ui::FolderList* list, const std::string& path, bool twice = false) {
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

}  // namespace

class FolderPickerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void layoutAndStart();
  void highlightAndOpen();
  void purposes_data();
  void purposes();
  void replacingWithoutSelectionWritesNothing();
  void enterConfirmsAndEscapeCancels();
  void reopensWhereItWasLeft();
  void titleBarCloseDestroysIt();
  void driveChange();
  void realFoldersHiddenAndRefreshed();
  void pathBytesSurviveTheRoundTrip();

 private:
  std::unique_ptr<ui::MainForm> MakeForm(platform::FileSystem* fs);
  // Opens the picker with `purpose`, runs `act` on it while it is open (act must hide or
  // close it) and returns when the picker has returned.
  void Pick(const char* purpose, const std::function<void(SubForm2*)>& act);

  ui_test::ScriptedMessages messages_;
  ui_test::FolderTree tree_;
  std::unique_ptr<ui::MainForm> form_;
};

void FolderPickerTest::initTestCase() { ui::ApplyLook(*qApp); }

void FolderPickerTest::init() {
  tree_ = ui_test::FolderTree();
  for (const char* folder :
       {"/home/user/docs/letters", "/home/user/docs/Reports", "/home/user/docs/archive",
        "/home/user/music", "/media/cd/disc1", "/etc"}) {
    tree_.AddFolder(folder);
  }
  tree_.SetCurrentFolder("/home/user/docs");
  form_ = MakeForm(&tree_);
}

void FolderPickerTest::cleanup() { form_.reset(); }

std::unique_ptr<ui::MainForm> FolderPickerTest::MakeForm(platform::FileSystem* fs) {
  ui::MainFormOptions options;
  options.messages = &messages_;
  options.file_system = fs;
  options.volumes = [] { return kVolumes; };
  auto form = std::make_unique<ui::MainForm>(std::move(options));
  form->show();
  return form;
}

void FolderPickerTest::Pick(const char* purpose, const std::function<void(SubForm2*)>& act) {
  bool acted = false;
  ui_test::WhenModal([&](QWidget* modal) {
    auto* picker = qobject_cast<SubForm2*>(modal);
    QVERIFY(picker != nullptr);
    acted = true;
    act(picker);
    if (picker->isVisible()) picker->Command2->click();  // never leave a test stuck
  });
  ui::ShowFolderPicker(*form_, QString::fromUtf8(purpose));
  QVERIFY(acted);
}

void FolderPickerTest::layoutAndStart() {
  Pick(ui::kPurposeDestination, [&](SubForm2* picker) {
    QCOMPARE(picker->windowTitle(), QStringLiteral("コピー先フォルダ指定"));
    QCOMPARE(picker->size(), QSize(325, 222));
    QCOMPARE(picker->minimumSize(), picker->maximumSize());
    QVERIFY(!(picker->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(picker->isModal());
    QCOMPARE(picker->parentWidget(), form_.get());
    // Centred over its owner (give or take the window frame).
    QVERIFY((picker->geometry().center() - form_->geometry().center()).manhattanLength() < 40);
    QCOMPARE(picker->Dir1->geometry(), QRect(8, 16, 305, 118));
    QCOMPARE(picker->Drive1->geometry(), QRect(8, 144, 305, 20));
    QCOMPARE(picker->Command1->geometry(), QRect(8, 176, 97, 33));
    QCOMPARE(picker->Command2->geometry(), QRect(216, 176, 97, 33));
    QCOMPARE(picker->Command1->text(), QStringLiteral("確定"));
    QCOMPARE(picker->Command2->text(), QStringLiteral("取消"));
    QVERIFY(picker->Command1->isDefault());

    // Tab order: 確定, the folder list, the drive selector, 取消.
    QStringList visited;
    QVERIFY(QTest::qWaitForWindowActive(picker));
    picker->Command1->setFocus();
    for (int i = 0; i < 4 && QApplication::focusWidget() != nullptr; ++i) {
      visited << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, QStringList({"Command1", "Dir1", "Drive1", "Command2"}));

    // A new picker starts at the current folder, on the volume that holds it, showing the
    // root, the ancestors, the folder and its subfolders (sorted without regard to case).
    QCOMPARE(picker->Drive1->Drive(), std::string("/home"));
    QVERIFY(picker->Drive1->currentText().startsWith(QStringLiteral("/home")));
    QCOMPARE(picker->Dir1->Path(), std::string("/home/user/docs"));
    QCOMPARE(EntryPaths(picker->Dir1),
             QStringList({"/", "/home", "/home/user", "/home/user/docs", "/home/user/docs/archive",
                          "/home/user/docs/letters", "/home/user/docs/Reports"}));
    QCOMPARE(picker->Dir1->item(0)->text(), QStringLiteral("/"));
    QCOMPARE(picker->Dir1->item(2)->text(), QStringLiteral("user"));
    QCOMPARE(picker->Dir1->currentRow(), 3);
    picker->Command1->click();
  });
  QCOMPARE(form_->txtTgtDir->text(), QStringLiteral("/home/user/docs"));
}

void FolderPickerTest::highlightAndOpen() {
  Pick(ui::kPurposeDestination, [&](SubForm2* picker) {
    ui::FolderList* dir = picker->Dir1;
    // A single click highlights without opening.
    ClickEntry(dir, "/home/user/docs/letters");
    QCOMPARE(dir->Path(), std::string("/home/user/docs"));
    QCOMPARE(dir->HighlightedPath(), std::string("/home/user/docs/letters"));
    // The arrow keys move the highlight.
    dir->setFocus();
    QTest::keyClick(dir, Qt::Key_Up);
    QTest::keyClick(dir, Qt::Key_Up);
    QCOMPARE(dir->HighlightedPath(), std::string("/home/user/docs"));
    // A double-click opens an ancestor and highlights it.
    ClickEntry(dir, "/home", true);
    QCOMPARE(dir->Path(), std::string("/home"));
    QCOMPARE(dir->HighlightedPath(), std::string("/home"));
    QCOMPARE(EntryPaths(dir), QStringList({"/", "/home", "/home/user"}));
    ClickEntry(dir, "/", true);
    ClickEntry(dir, "/media", true);
    // Opening another volume's folder shows that volume in the selector.
    ClickEntry(dir, "/media/cd", true);
    QCOMPARE(picker->Drive1->Drive(), std::string("/media/cd"));
    ClickEntry(dir, "/", false);
    picker->Command1->click();
  });
  QCOMPARE(form_->txtTgtDir->text(), QStringLiteral("/"));
}

void FolderPickerTest::purposes_data() {
  QTest::addColumn<QString>("purpose");
  QTest::addColumn<QStringList>("dirs");
  QTest::addColumn<QStringList>("comps");
  QTest::addColumn<QString>("destination");
  QTest::addColumn<int>("selected");
  const QString picked = QStringLiteral("/home/user/music");
  QTest::newRow("add source") << ui::kPurposeAddSource << QStringList({"/a", "/b", picked})
                              << QStringList({"なし", "/old/b", "なし"}) << "" << 2;
  QTest::newRow("comparison") << ui::kPurposeComparison << QStringList({"/a", "/b"})
                              << QStringList({"なし", picked}) << "" << 1;
  QTest::newRow("destination") << ui::kPurposeDestination << QStringList({"/a", "/b"})
                               << QStringList({"なし", "/old/b"}) << picked << 1;
  QTest::newRow("change source") << ui::kPurposeChangeSource << QStringList({"/a", picked})
                                 << QStringList({"なし", "/old/b"}) << "" << 1;
}

void FolderPickerTest::purposes() {
  QFETCH(QString, purpose);
  QFETCH(QStringList, dirs);
  QFETCH(QStringList, comps);
  QFETCH(QString, destination);
  QFETCH(int, selected);
  form_->listDir->AddItem("/a");
  form_->listComp->AddItem("なし");
  form_->listDir->AddItem("/b");
  form_->listComp->AddItem("/old/b");
  form_->listDir->SetListIndex(1);

  const std::string title = purpose.toStdString();
  Pick(title.c_str(), [&](SubForm2* picker) {
    ClickEntry(picker->Dir1, "/home/user", true);
    ClickEntry(picker->Dir1, "/home/user/music");
    picker->Command1->click();
    QVERIFY(!picker->isVisible());
  });
  QCOMPARE(ui_test::Rows(form_->listDir), dirs);
  QCOMPARE(ui_test::Rows(form_->listComp), comps);
  QCOMPARE(form_->txtTgtDir->text(), destination);
  QCOMPARE(form_->listDir->ListIndex(), selected);
  QCOMPARE(form_->listComp->ListIndex(), selected);
  QVERIFY(form_->Picker() != nullptr);  // hidden, not destroyed
}

void FolderPickerTest::replacingWithoutSelectionWritesNothing() {
  // A double-click on an empty list opens the picker for a row that does not exist.
  bool opened = false;
  ui_test::WhenModal([&](QWidget* modal) {
    auto* picker = qobject_cast<SubForm2*>(modal);
    QVERIFY(picker != nullptr);
    opened = true;
    QCOMPARE(picker->windowTitle(), QStringLiteral("比較元フォルダ指定"));
    picker->Command1->click();
  });
  QTest::mouseDClick(form_->listComp->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  QVERIFY(opened);
  QCOMPARE(form_->listComp->ListCount(), 0);
  QCOMPARE(form_->listDir->ListCount(), 0);
}

void FolderPickerTest::enterConfirmsAndEscapeCancels() {
  Pick(ui::kPurposeAddSource, [](SubForm2* picker) {
    picker->Dir1->setFocus();
    QTest::keyClick(picker->Dir1, Qt::Key_Down);
    QTest::keyClick(picker->Dir1, Qt::Key_Return);
  });
  QCOMPARE(ui_test::Rows(form_->listDir), QStringList({"/home/user/docs/archive"}));
  QCOMPARE(ui_test::Rows(form_->listComp), QStringList({"なし"}));

  Pick(ui::kPurposeAddSource, [](SubForm2* picker) {
    QTest::keyClick(picker->Dir1, Qt::Key_Escape);
    QVERIFY(!picker->isVisible());
  });
  QCOMPARE(form_->listDir->ListCount(), 1);
  QVERIFY(form_->Picker() != nullptr);
}

void FolderPickerTest::reopensWhereItWasLeft() {
  Pick(ui::kPurposeDestination, [](SubForm2* picker) {
    ClickEntry(picker->Dir1, "/home/user", true);
    ClickEntry(picker->Dir1, "/home/user/music");
    picker->Command2->click();
  });
  QVERIFY(form_->txtTgtDir->text().isEmpty());
  SubForm2* first = form_->Picker();
  const QPoint place = first->pos();

  // Whatever the purpose, and whatever the row being changed holds, it opens where it was
  // left, with the same highlight.
  form_->listDir->AddItem("/etc");
  form_->listComp->AddItem("なし");
  form_->listDir->SetListIndex(0);
  tree_.AddFolder("/home/user/video");  // made while the picker was hidden
  Pick(ui::kPurposeChangeSource, [&](SubForm2* picker) {
    QCOMPARE(picker, first);
    QCOMPARE(picker->pos(), place);
    QCOMPARE(picker->Dir1->Path(), std::string("/home/user"));
    QCOMPARE(picker->Dir1->HighlightedPath(), std::string("/home/user/music"));
    QVERIFY(EntryPaths(picker->Dir1).contains(QStringLiteral("/home/user/video")));
    picker->Command2->click();
  });

  // An open folder removed meanwhile gives way to its nearest remaining ancestor.
  tree_.Remove("/home/user");
  Pick(ui::kPurposeChangeSource, [&](SubForm2* picker) {
    QCOMPARE(picker->Dir1->Path(), std::string("/home"));
    picker->Command2->click();
  });
}

void FolderPickerTest::titleBarCloseDestroysIt() {
  Pick(ui::kPurposeDestination, [](SubForm2* picker) {
    ClickEntry(picker->Dir1, "/home", true);
    picker->close();  // what the title bar's close box does
  });
  QVERIFY(form_->txtTgtDir->text().isEmpty());
  QVERIFY(form_->Picker() == nullptr);

  // The next use starts afresh at the current folder.
  Pick(ui::kPurposeDestination, [](SubForm2* picker) {
    QCOMPARE(picker->Dir1->Path(), std::string("/home/user/docs"));
    picker->Command1->click();
  });
  QCOMPARE(form_->txtTgtDir->text(), QStringLiteral("/home/user/docs"));
}

void FolderPickerTest::driveChange() {
  tree_.MakeUnreadable("/media/cd");
  Pick(ui::kPurposeDestination, [&](SubForm2* picker) {
    ui::DriveList* drive = picker->Drive1;
    QCOMPARE(drive->count(), 3);
    QCOMPARE(drive->itemText(0), QStringLiteral("/  [/dev/sda1]"));
    drive->setCurrentIndex(0);
    QCOMPARE(picker->Dir1->Path(), std::string("/"));
    QCOMPARE(picker->Dir1->HighlightedPath(), std::string("/"));
    QCOMPARE(EntryPaths(picker->Dir1), QStringList({"/", "/etc", "/home", "/media"}));

    // A volume whose folders cannot be read still opens (its folder can be chosen) ...
    drive->setCurrentIndex(2);
    QCOMPARE(picker->Dir1->Path(), std::string("/media/cd"));
    QCOMPARE(EntryPaths(picker->Dir1), QStringList({"/", "/media", "/media/cd"}));
    // ... but one that is not there leaves the list where it was.
    drive->setCurrentIndex(1);
    tree_.Remove("/home");
    drive->setCurrentIndex(0);
    drive->setCurrentIndex(1);
    QCOMPARE(drive->Drive(), std::string("/home"));
    QCOMPARE(picker->Dir1->Path(), std::string("/"));
    picker->Command1->click();
  });
  QCOMPARE(form_->txtTgtDir->text(), QStringLiteral("/"));
}

void FolderPickerTest::realFoldersHiddenAndRefreshed() {
  QTemporaryDir temp;
  QVERIFY(temp.isValid());
  QDir root(temp.path());
  QVERIFY(root.mkpath(QStringLiteral("visible/inner")));
  QVERIFY(root.mkpath(QStringLiteral(".hidden")));
  QFile file(root.filePath(QStringLiteral("a-file.txt")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  const QString previous = QDir::currentPath();
  QVERIFY(QDir::setCurrent(temp.path()));
  form_ = MakeForm(nullptr);  // the machine's own file system

  const std::string base = QDir(temp.path()).canonicalPath().toStdString();
  Pick(ui::kPurposeAddSource, [&](SubForm2* picker) {
    QCOMPARE(picker->Dir1->Path(), base);
    const QStringList entries = EntryPaths(picker->Dir1);
    QCOMPARE(entries.last(), QString::fromStdString(base + "/visible"));
    QCOMPARE(entries.count(), picker->Dir1->OpenRow() + 2);
    picker->Command1->click();
  });
  QCOMPARE(form_->listDir->List(0), base);
  QVERIFY(QDir::setCurrent(previous));
}

void FolderPickerTest::pathBytesSurviveTheRoundTrip() {
  const std::string odd = "/home/user/docs/\xff\xfe-old";
  tree_.AddFolder(odd);
  Pick(ui::kPurposeAddSource, [&](SubForm2* picker) {
    picker->Dir1->SetPath(odd);
    picker->Command1->click();
  });
  QCOMPARE(form_->listDir->List(0), odd);
  QCOMPARE(form_->SourceFolder(0), odd);
  Pick(ui::kPurposeComparison, [&](SubForm2* picker) { picker->Command1->click(); });
  QCOMPARE(form_->ComparisonFolder(0), odd);
  Pick(ui::kPurposeDestination, [&](SubForm2* picker) { picker->Command1->click(); });
  QCOMPARE(form_->DestinationText(), odd);
}

QTEST_MAIN(FolderPickerTest)
#include "folder_picker_test.moc"
