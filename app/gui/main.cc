#include <QApplication>
#include <cstdio>
#include <string_view>

#include "ui/app_icon.h"
#include "ui/look.h"
#include "ui/main_form.h"
#include "ui/translation.h"
#include "util/sys_info.h"

namespace {

constexpr char kHelp[] = R"(Usage: grebewick [--help | --version]

The desktop program of Grebewick: copies the files that changed since the last
backup into DESTINATION/yyyymmdd, where each source folder reappears under its
full path. The job is entered in the window; for scripts and timers, use
grebewick-cli (see grebewick-cli --help).

  -h, --help     show this help and exit
      --version  show the version and exit

Qt's own options (-platform, -display, ...) are taken as well.
)";

// --help and --version are answered before Qt starts: they need no display, and Qt without
// one aborts the program.
int AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (argument == "--version") {
      std::puts("grebewick " GREBEWICK_VERSION);
      return 0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (int status = AnswerWithoutWindow(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Grebewick"));
  QApplication::setApplicationVersion(QStringLiteral(GREBEWICK_VERSION));
  // Every window carries the application's icon; the desktop matches the windows with the
  // installed desktop entry (grebewick.desktop) by this name.
  QApplication::setWindowIcon(ui::ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("grebewick"));
  ui::ApplyLook(app);
  // Japanese, as the windows are written, unless the locale asks for English.
  ui::InstallTranslationForLocale();
  // The about box starts the desktop's system-information tool through the registry store;
  // a tool installed since the last start is found here.
  util::RegisterSystemInformationTool();

  ui::MainForm form;
  // The program lives as long as the main window, not as long as any window: the hidden
  // folder picker and an open about box do not keep it running.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(&form, &ui::MainForm::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
  form.show();
  return QApplication::exec();
}
