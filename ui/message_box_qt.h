#pragma once

#include <string>

#include "platform/message_box.h"

namespace ui {

// Shows the program's message boxes with QMessageBox: the button set, icon and default
// button come from the flags, the answer is the pressed button's value. Enter presses the
// focused button (the default one until the user moves the focus). Esc and the close box
// give Cancel where there is such a button and OK on a box with OK alone; a box with neither
// (Yes/No, Abort/Retry/Ignore) cannot be dismissed: only its buttons answer. The text is
// plain text. The box is modal over the active window.
class QtMessageBoxService : public platform::MessageBoxService {
 public:
  int MsgBox(const std::string& text, int flags,
             const std::string& title = platform::kApplicationTitle) override;
};

}  // namespace ui
