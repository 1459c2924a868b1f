#pragma once

#include <string>

namespace platform {

// Message-box flags and answers, with the values of the platform the program's rules were
// written for; each front end turns them into its own dialogs.
enum MessageBoxFlags : int {
  kOkOnly = 0,
  kYesNo = 4,
  kCritical = 16,  // the stop icon
  kQuestion = 32,
  kExclamation = 48,
  kInformation = 64,
  kDefaultButton2 = 256,
};
enum MessageBoxAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

inline constexpr char kApplicationTitle[] = "Grebewick";

// The service that shows a modal message box and returns the button pressed. Everything
// that talks to the user gets one handed to it; nothing reaches for a global.
// In `text`, a carriage return (code 13) starts a new line.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual int MsgBox(const std::string& text, int flags,
                     const std::string& title = kApplicationTitle) = 0;
};

}  // namespace platform
