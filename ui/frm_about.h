#pragma once

#include <QDialog>

#include "platform/message_box.h"

class QLabel;
class QPushButton;

namespace ui {

// The credits the main window puts into the about box; lines end with a carriage return.
extern const char kCreditsTitle[];
extern const char kCreditsText[];

// The about box: title, version, description and credits, and a button that starts the
// system-information tool. Modeless and without an owner; "OK" (or Enter, Esc, the close
// box) unloads it.
class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(platform::MessageBoxService& messages);

  // The controls, under the names the window's code uses.
  QLabel* picIcon = nullptr;
  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* lblDisclaimer = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdSysInfo = nullptr;

 private:
  void Form_Load();
  void cmdOK_Click();
  void cmdSysInfo_Click();

  platform::MessageBoxService& messages_;
};

}  // namespace ui
