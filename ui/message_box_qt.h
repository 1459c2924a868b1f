#pragma once

#include <string>

#include "platform/message_box.h"

namespace ui {

// Shows the program's message boxes with QMessageBox: the button set, icon and default
// button come from the flags, the answer is the pressed button's value. Esc (and the close
// box) give the box's cancel answer: Cancel where there is such a button, No on a Yes/No
// box, the only button otherwise; that is always the answer that stops nothing irrevocably.
// The box is modal over the active window.
class QtMessageBoxService : public platform::MessageBoxService {
 public:
  int MsgBox(const std::string& text, int flags,
             const std::string& title = platform::kApplicationTitle) override;
};

}  // namespace ui
