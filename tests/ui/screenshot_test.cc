// Renders each window to a PNG (for the README) and checks that the window font draws every
// character of every caption itself, so no caption depends on a fallback font or shows
// boxes for missing glyphs.
#include "test_support.h"
#include "ui/translation.h"

namespace {

constexpr int kBorder = 4;
constexpr int kTitleHeight = 24;

// The offscreen platform has no window manager, so the title bar (which carries the
// window's caption) is drawn here around the window's own rendering.
QImage Framed(QWidget* window) {
  const QPixmap content = window->grab();
  QImage image(content.width() + 2 * kBorder, content.height() + kTitleHeight + kBorder,
               QImage::Format_ARGB32);
  image.fill(QColor(0x3a, 0x5f, 0x9e));
  QPainter painter(&image);
  QFont title_font = ui::UiFont();
  title_font.setBold(true);
  painter.setFont(title_font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(kBorder + 4, 0, content.width() - 32, kTitleHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
  painter.drawText(QRect(content.width() - 20, 0, 20, kTitleHeight), Qt::AlignCenter,
                   QStringLiteral("×"));
  painter.drawPixmap(kBorder, kTitleHeight, content);
  return image;
}

// Every caption a user reads in `window`.
QStringList Captions(QWidget* window) {
  QStringList captions = {window->windowTitle()};
  for (QLabel* label : window->findChildren<QLabel*>()) captions << label->text();
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    captions << button->text().remove('&');
  }
  for (QGroupBox* frame : window->findChildren<QGroupBox*>()) captions << frame->title();
  return captions;
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

  QDir out_;
  testing_support::ScriptedHost messages_;
  // The pictures show the paths of the platform they were taken on: a home folder and a CD
  // on Linux, drive letters on Windows.
  const bool windows_ = platform::Separator() == '\\';
  ui_test::FolderTree tree_ =
      windows_ ? ui_test::FolderTree{{"C:\\Users\\user\\Documents\\2000",
                                      "C:\\Users\\user\\Documents\\letters",
                                      "C:\\Users\\user\\Documents\\reports",
                                      "C:\\Users\\user\\Pictures", "Q:\\20001115"},
                                     "C:\\Users\\user\\Documents"}
               : ui_test::FolderTree{
                     {"/home/user/documents/2000", "/home/user/documents/letters",
                      "/home/user/documents/reports", "/home/user/photos", "/media/user/CDROM"},
                     "/home/user/documents"};
  QTemporaryDir library_folder_;
  QString prefix_;  // "" for the Japanese pictures, "en/" for the English ones

  void RenderEveryWindow() {
    MainWindowFolderPickerAndAboutBox();
    ProgressDialog();
  }

  // Checks that the window font has every character of the window's captions, and saves the
  // picture.
  void Capture(QWidget* window, const char* file) {
    const QString name = prefix_ + QString::fromLatin1(file);
    const QFontMetrics metrics(ui::UiFont());
    for (const QString& caption : Captions(window)) {
      for (char32_t c : caption.toUcs4()) {
        if (c == '\n' || c == ' ') continue;
        QVERIFY2(metrics.inFontUcs4(c), qPrintable(QStringLiteral("no glyph for U+%1 in \"%2\"")
                                                       .arg(quint32(c), 4, 16, QChar('0'))
                                                       .arg(caption)));
      }
    }
    const QString path = out_.filePath(name);
    QVERIFY2(Framed(window).save(path), qPrintable(path));
  }

  void MainWindowFolderPickerAndAboutBox() {
    ui::MainFormOptions options = ui_test::TreeOptions(messages_, tree_, "/media/user/CDROM");
    if (windows_) {
      options.volumes = [] {
        return std::vector<platform::Volume>{
            {"C:\\", "Windows", "NTFS"}, {"D:\\", "DATA", "NTFS"}, {"Q:\\", "CDROM", "CDFS"}};
      };
    }
    options.archive_library_name =
        library_folder_.filePath(QStringLiteral("libunlha32.so")).toStdString();
    ui::MainForm form(std::move(options));
    if (windows_) {
      form.listDir->AddItem("C:\\Users\\user\\Documents");
      form.listComp->AddItem("Q:\\20001115\\USERS\\USER\\DOCUMENTS");
      form.listDir->AddItem("C:\\Users\\user\\Pictures");
    } else {
      form.listDir->AddItem("/home/user/documents");
      form.listComp->AddItem("/media/user/CDROM/20001115/home/user/documents");
      form.listDir->AddItem("/home/user/photos");
    }
    form.listComp->AddItem("なし");
    form.listDir->SetListIndex(0);
    form.txtTgtDir->setText(windows_ ? QStringLiteral("D:\\backup")
                                     : QStringLiteral("/home/user/backup"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Capture(&form, "main-window.png");
    ui_test::WithPicker([&] { form.cmdAddDir->click(); },
                        [this](ui::SubForm2* picker) { Capture(picker, "folder-picker.png"); });
    QTest::mouseDClick(&form, Qt::LeftButton, Qt::NoModifier, QPoint(600, 20));
    QVERIFY(form.About() != nullptr && QTest::qWaitForWindowExposed(form.About()));
    Capture(form.About(), "about-box.png");
  }

  void ProgressDialog() {
    ui::SubForm1 dialog;
    dialog.SetCaption("対象ファイルコピー中・・・");
    dialog.SetProgressMax(12);
    dialog.SetProgressValue(5);
    dialog.SetLabel1("5/12");
    dialog.SetLabel1Visible(true);
    dialog.SetLabel2("2000年度報告書.doc");
    dialog.SetLabel2Visible(true);
    dialog.SetCancelVisible(true);
    dialog.Show();
    dialog.Refresh();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Capture(&dialog, "progress-dialog.png");
  }

 private slots:
  void initTestCase() {
    ui::ApplyLook(*qApp);
    QString dir = qEnvironmentVariable("GREBEWICK_SCREENSHOT_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(GREBEWICK_DEFAULT_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(dir));
    out_ = QDir(dir);
    // The pictures show the window as it is with the archive library installed.
    QFile library(library_folder_.filePath(QStringLiteral("libunlha32.so")));
    QVERIFY(library_folder_.isValid() && library.open(QIODevice::WriteOnly));
    QVERIFY(QDir().mkpath(out_.filePath(QStringLiteral("en"))));
  }

  // The windows as written: what every locale but an English one shows.
  void japaneseWindows() { RenderEveryWindow(); }

  // The same windows under an English locale, with the English catalogue.
  void englishWindows() {
    QVERIFY(ui::UseEnglish(true));
    prefix_ = QStringLiteral("en/");
    RenderEveryWindow();
    prefix_.clear();
    ui::UseEnglish(false);
  }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
