// The progress dialog as the run drives it, and the Qt message boxes behind the program's
// message-box service.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "engine/public_function.h"
#include "test_support.h"
#include "ui/look.h"
#include "ui/message_box_qt.h"
#include "ui/sub_form1.h"

class ProgressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();

  void createdState();
  void cancelOnlyRaisesTheFlag();
  void titleBarCloseActsAsCancelAndEscapeDoesNot();
  void barFollowsTheRunsNumbers();
  void textsAreShownAsTheyAre();

  void messageBoxes_data();
  void messageBoxes();
};

void ProgressDialogTest::initTestCase() { ui::ApplyLook(*qApp); }

void ProgressDialogTest::init() { engine::CancelRequested = false; }

void ProgressDialogTest::createdState() {
  ui::SubForm1 dialog;
  QVERIFY(!dialog.isVisible());
  QCOMPARE(dialog.windowTitle(), QStringLiteral("コピーしています・・・"));
  QCOMPARE(dialog.cursor().shape(), Qt::WaitCursor);
  QCOMPARE(dialog.size(), QSize(316, 139));
  QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
  QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
  QCOMPARE(dialog.Label1->geometry(), QRect(24, 16, 265, 17));
  QCOMPARE(dialog.Label2->geometry(), QRect(24, 40, 265, 17));
  QCOMPARE(dialog.ProgressBar1->geometry(), QRect(24, 72, 273, 17));
  QCOMPARE(dialog.cmdCancel->geometry(), QRect(232, 104, 65, 25));
  QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));

  dialog.Show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QVERIFY(!dialog.isModal() && dialog.windowModality() == Qt::NonModal);
  QVERIFY(dialog.parentWidget() == nullptr);
  QVERIFY(dialog.Label1->isHidden() && dialog.Label1->text().isEmpty());
  QVERIFY(dialog.Label2->isHidden() && dialog.Label2->text().isEmpty());
  QVERIFY(dialog.ProgressBar1->isVisible());
  QCOMPARE(dialog.ProgressBar1->value(), dialog.ProgressBar1->minimum());
  QVERIFY(dialog.cmdCancel->isHidden());
  // The cancel button is first in the tab order.
  QCOMPARE(dialog.nextInFocusChain(), static_cast<QWidget*>(dialog.cmdCancel));
}

void ProgressDialogTest::cancelOnlyRaisesTheFlag() {
  ui::SubForm1 dialog;
  dialog.SetCancelVisible(true);
  dialog.Show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  // The hourglass does not keep the button from reacting.
  QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
  QVERIFY(engine::CancelRequested);
  QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
  QVERIFY(engine::CancelRequested);
  QVERIFY(dialog.isVisible());
}

void ProgressDialogTest::titleBarCloseActsAsCancelAndEscapeDoesNot() {
  ui::SubForm1 dialog;
  dialog.SetCancelVisible(true);
  dialog.Show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QVERIFY(!engine::CancelRequested);
  QVERIFY(dialog.isVisible());
  // The run owns the dialog: closing it asks to cancel and leaves it to the run.
  QVERIFY(!dialog.close());
  QVERIFY(engine::CancelRequested);
  QVERIFY(dialog.isVisible());
}

void ProgressDialogTest::barFollowsTheRunsNumbers() {
  ui::SubForm1 dialog;
  // As the search starts: 0 of 1.
  dialog.SetProgressMin(0);
  dialog.SetProgressMax(1);
  dialog.SetProgressValue(0);
  QCOMPARE(dialog.ProgressBar1->maximum(), 1);
  QCOMPARE(dialog.ProgressBar1->value(), 0);
  // As the copy starts: the value first, then the maximum.
  dialog.SetProgressValue(0);
  dialog.SetProgressMax(12);
  dialog.SetProgressValue(5);
  QCOMPARE(dialog.ProgressBar1->maximum(), 12);
  QCOMPARE(dialog.ProgressBar1->value(), 5);
  QCOMPARE(dialog.ProgressValue(), 5.0);
  // An empty range is not Qt's "busy" bar.
  dialog.SetProgressMax(0);
  QVERIFY(dialog.ProgressBar1->maximum() > dialog.ProgressBar1->minimum());
  dialog.SetProgressVisible(false);
  QVERIFY(dialog.ProgressBar1->isHidden());
}

void ProgressDialogTest::textsAreShownAsTheyAre() {
  ui::SubForm1 dialog;
  dialog.SetCaption("対象ファイル検索中");
  dialog.SetLabel1("/home/u/<b>bold</b> & co");
  dialog.SetLabel1Visible(true);
  dialog.SetLabel2("しばらくお待ちください・・・");
  dialog.SetLabel2Visible(true);
  dialog.Show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  dialog.Refresh();
  dialog.RefreshLabel1();
  QCOMPARE(dialog.windowTitle(), QStringLiteral("対象ファイル検索中"));
  QCOMPARE(dialog.Label1->textFormat(), Qt::PlainText);
  QCOMPARE(dialog.Label1->text(), QStringLiteral("/home/u/<b>bold</b> & co"));
  QVERIFY(dialog.Label1->isVisible() && dialog.Label2->isVisible());

  // Texts written faster than the screen is drawn show the last one within a frame, and at
  // once when the run asks for a repaint.
  for (int i = 0; i < 100; ++i) dialog.SetLabel2("file" + std::to_string(i));
  QTRY_COMPARE(dialog.Label2->text(), QStringLiteral("file99"));
  dialog.SetLabel1("1/2");
  dialog.SetLabel1("2/2");
  dialog.RefreshLabel1();
  QCOMPARE(dialog.Label1->text(), QStringLiteral("2/2"));
}

void ProgressDialogTest::messageBoxes_data() {
  QTest::addColumn<int>("flags");
  QTest::addColumn<QStringList>("buttons");
  QTest::addColumn<int>("icon");
  QTest::addColumn<int>("default_button");
  QTest::addColumn<int>("press");  // index of the button to press, -1 for Esc
  QTest::addColumn<int>("answer");
  const QStringList yes_no = {"はい(&Y)", "いいえ(&N)"};
  QTest::newRow("cancel question")
      << 52 << yes_no << int(QMessageBox::Warning) << 0 << 0 << int(platform::kAnswerYes);
  QTest::newRow("copy error, No") << 36 << yes_no << int(QMessageBox::Question) << 0 << 1
                                  << int(platform::kAnswerNo);
  QTest::newRow("second default") << 4 + 256 << yes_no << int(QMessageBox::NoIcon) << 1 << 0
                                  << int(platform::kAnswerYes);
  QTest::newRow("Esc on Yes/No") << 52 << yes_no << int(QMessageBox::Warning) << 0 << -1
                                 << int(platform::kAnswerNo);
  QTest::newRow("stop") << 16 << QStringList({"OK"}) << int(QMessageBox::Critical) << 0 << 0
                        << int(platform::kAnswerOk);
  QTest::newRow("information") << 64 << QStringList({"OK"}) << int(QMessageBox::Information) << 0
                               << -1 << int(platform::kAnswerOk);
  QTest::newRow("OK/Cancel") << 1 << QStringList({"OK", "キャンセル"}) << int(QMessageBox::NoIcon)
                             << 0 << -1 << int(platform::kAnswerCancel);
}

void ProgressDialogTest::messageBoxes() {
  QFETCH(int, flags);
  QFETCH(QStringList, buttons);
  QFETCH(int, icon);
  QFETCH(int, default_button);
  QFETCH(int, press);
  QFETCH(int, answer);

  bool seen = false;
  ui_test::WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box != nullptr);
    seen = true;
    QCOMPARE(box->windowTitle(), QStringLiteral("コピーエラー"));
    QCOMPARE(box->text(), QStringLiteral("一行目\n/a/b.txt\n三行目"));
    QCOMPARE(int(box->icon()), icon);
    QStringList captions;
    for (QAbstractButton* button : box->buttons()) captions << button->text();
    QCOMPARE(captions, buttons);
    QCOMPARE(box->defaultButton(), box->buttons().at(default_button));
    if (press < 0) {
      QTest::keyClick(box, Qt::Key_Escape);
    } else {
      box->buttons().at(press)->click();
    }
  });
  ui::QtMessageBoxService service;
  QCOMPARE(service.MsgBox("一行目\r/a/b.txt\r\n三行目", flags, "コピーエラー"), answer);
  QVERIFY(seen);
}

QTEST_MAIN(ProgressDialogTest)
#include "progress_dialog_test.moc"
