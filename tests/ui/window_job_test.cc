// The window's own job on a real tree: the folders come from GREBEWICK_WINDOW_JOB
// ("SOURCE|COMPARISON|DESTINATION"), are entered in the window's controls as a user would
// leave them, and "実行" runs them with the archive library found beside the program. The
// copies are compared with the Linux program's by tests/e2e/matches_linux.sh, which lays out
// the tree and calls this with the folders.
#include "test_support.h"

class WindowJobTest : public QObject {
  Q_OBJECT

 private slots:
  void runsTheJobInTheWindow() {
    const QStringList job = qEnvironmentVariable("GREBEWICK_WINDOW_JOB").split(QLatin1Char('|'));
    if (job.size() != 3)
      QSKIP("GREBEWICK_WINDOW_JOB is not set (tests/e2e/matches_linux.sh sets it)");
    ui::ApplyLook(*qApp);
    testing_support::ScriptedHost messages;
    ui::MainFormOptions options;
    options.messages = &messages;
    ui::MainForm form(std::move(options));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // As the window starts: subfolders included, archives read (the library was found).
    QVERIFY(form.chkSubDir->Value() == 1 && form.chkLHA->Value() == 1);
    form.listDir->AddItem(job[0].toStdString());
    form.listComp->AddItem(job[1].toStdString());
    form.txtTgtDir->setText(job[2]);
    QTest::mouseClick(form.cmdExec, Qt::LeftButton);
    for (const auto& box : messages.boxes) qInfo("%s: %s", box.title.c_str(), box.text.c_str());
    QVERIFY2(messages.boxes.empty(), "the run asked or reported something");
    QVERIFY(form.cmdExec->isEnabled());
  }
};

QTEST_MAIN(WindowJobTest)
#include "window_job_test.moc"
