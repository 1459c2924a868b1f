// The progress dialog as the run drives it, and the Qt message boxes behind the program's
// message-box service.
#include "test_support.h"
#include "ui/message_box_qt.h"

class ProgressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { ui::ApplyLook(*qApp); }
  void init() { engine::CancelRequested = false; }

  void asTheRunDrivesIt() {
    ui::SubForm1 dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("コピーしています・・・"));
    QCOMPARE(dialog.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    dialog.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!dialog.isModal() && dialog.parentWidget() == nullptr);
    QVERIFY(dialog.Label1->isHidden() && dialog.Label2->isHidden() && dialog.cmdCancel->isHidden());
    QCOMPARE(dialog.nextInFocusChain(), static_cast<QWidget*>(dialog.cmdCancel));

    // The bar follows the numbers whatever order they come in; an empty range is not Qt's
    // "busy" bar.
    dialog.SetProgressMax(1);
    dialog.SetProgressValue(5);
    dialog.SetProgressMax(12);
    QVERIFY(dialog.ProgressBar1->maximum() == 12 && dialog.ProgressBar1->value() == 5);
    dialog.SetProgressMax(0);
    QVERIFY(dialog.ProgressBar1->maximum() > dialog.ProgressBar1->minimum());

    // File names are plain text. Texts written faster than the screen is drawn show the last
    // one within a frame, and at once when the run asks for a repaint.
    dialog.SetLabel1("/home/u/<b>bold</b> & co");
    dialog.RefreshLabel1();
    QCOMPARE(dialog.Label1->textFormat(), Qt::PlainText);
    QCOMPARE(dialog.Label1->text(), QStringLiteral("/home/u/<b>bold</b> & co"));
    for (int i = 0; i < 100; ++i) dialog.SetLabel2("file" + std::to_string(i));
    QTRY_COMPARE(dialog.Label2->text(), QStringLiteral("file99"));
    dialog.SetLabel1("1/2");
    dialog.SetLabel1("2/2");
    dialog.RefreshLabel1();
    QCOMPARE(dialog.Label1->text(), QStringLiteral("2/2"));

    // Esc is not "ｷｬﾝｾﾙ"; Enter on it is, and so is closing from the title bar, which leaves
    // the dialog to the run.
    dialog.SetCancelVisible(true);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!engine::CancelRequested && dialog.isVisible());
    QTest::keyClick(dialog.cmdCancel, Qt::Key_Return);
    QVERIFY(engine::CancelRequested);
    engine::CancelRequested = false;
    QVERIFY(!dialog.close());
    QVERIFY(engine::CancelRequested && dialog.isVisible());
  }

  void messageBoxes_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("default_button");
    // The button to focus and press with Enter; -1: Esc, and Enter on the default button when
    // the box is still there.
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    const QStringList yes_no = {"はい(&Y)", "いいえ(&N)"}, ok = {"OK"};
    const int yes = platform::kAnswerYes, no = platform::kAnswerNo, okay = platform::kAnswerOk;
    QTest::newRow("cancel question") << 52 << yes_no << int(QMessageBox::Warning) << 0 << 0 << yes;
    QTest::newRow("copy error, No") << 36 << yes_no << int(QMessageBox::Question) << 0 << 1 << no;
    // A Yes/No box cannot be dismissed: Esc and the close box give no answer.
    QTest::newRow("Yes/No, Esc") << 52 << yes_no << int(QMessageBox::Warning) << 0 << -1 << yes;
    QTest::newRow("second default")
        << 4 + 256 << yes_no << int(QMessageBox::NoIcon) << 1 << 1 << no;
    QTest::newRow("stop") << 16 << ok << int(QMessageBox::Critical) << 0 << 0 << okay;
    QTest::newRow("information, Esc")
        << 64 << ok << int(QMessageBox::Information) << 0 << -1 << okay;
    QTest::newRow("OK/Cancel, Esc")
        << 1 << QStringList({"OK", "キャンセル"}) << int(QMessageBox::NoIcon) << 0 << -1
        << int(platform::kAnswerCancel);
  }

  void messageBoxes() {
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
      QAbstractButton* button = press < 0 ? box->defaultButton() : box->buttons().at(press);
      if (press < 0) {
        QTest::keyClick(box, Qt::Key_Escape);
        if (!box->isVisible()) return;
        QVERIFY(!box->close() && box->isVisible());
      }
      button->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    ui::QtMessageBoxService service;
    QCOMPARE(service.MsgBox("一行目\r/a/b.txt\r\n三行目", flags, "コピーエラー"), answer);
    QVERIFY(seen);
  }
};

QTEST_MAIN(ProgressDialogTest)
#include "progress_dialog_test.moc"
