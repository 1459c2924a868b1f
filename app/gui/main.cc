#include <QApplication>

#include "ui/app_icon.h"
#include "ui/look.h"
#include "ui/main_form.h"
#include "util/sys_info.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Grebewick"));
  QApplication::setApplicationVersion(QStringLiteral(GREBEWICK_VERSION));
  // Every window carries the application's icon; the desktop matches the windows with the
  // installed desktop entry (grebewick.desktop) by this name.
  QApplication::setWindowIcon(ui::ApplicationIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("grebewick"));
  ui::ApplyLook(app);
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
