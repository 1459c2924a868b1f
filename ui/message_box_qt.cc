#include "ui/message_box_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "ui/text.h"
#include "ui/translation.h"

namespace ui {
namespace {

// The answers that message_box.h does not name.
constexpr int kAnswerAbort = 3;
constexpr int kAnswerRetry = 4;
constexpr int kAnswerIgnore = 5;

struct ButtonChoice {
  const char* caption;
  QMessageBox::ButtonRole role;
  int answer;
};

const ButtonChoice kOk = {"OK", QMessageBox::AcceptRole, platform::kAnswerOk};
const ButtonChoice kCancel = {Id("キャンセル"), QMessageBox::RejectRole, platform::kAnswerCancel};
const ButtonChoice kAbort = {Id("中止(&A)"), QMessageBox::RejectRole, kAnswerAbort};
const ButtonChoice kRetry = {Id("再試行(&R)"), QMessageBox::AcceptRole, kAnswerRetry};
const ButtonChoice kIgnore = {Id("無視(&I)"), QMessageBox::AcceptRole, kAnswerIgnore};
const ButtonChoice kYes = {Id("はい(&Y)"), QMessageBox::YesRole, platform::kAnswerYes};
const ButtonChoice kNo = {Id("いいえ(&N)"), QMessageBox::NoRole, platform::kAnswerNo};

// The buttons of each button set, left to right, and the one that Esc and the close box
// press; -1 where there is neither an OK nor a Cancel button, and only a button answers.
struct ButtonSet {
  std::vector<ButtonChoice> buttons;
  int escape;
};

ButtonSet ButtonsFor(int flags) {
  switch (flags & 7) {
    case 1:
      return {{kOk, kCancel}, 1};
    case 2:
      return {{kAbort, kRetry, kIgnore}, -1};
    case 3:
      return {{kYes, kNo, kCancel}, 2};
    case 4:
      return {{kYes, kNo}, -1};
    case 5:
      return {{kRetry, kCancel}, 1};
    default:
      return {{kOk}, 0};
  }
}

// QMessageBox makes a lone "No" its escape button; a box that must be answered ignores Esc
// and the close box instead.
class AnsweredBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

  void MustBeAnswered() {
    must_be_answered_ = true;
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (must_be_answered_ && event->matches(QKeySequence::Cancel)) return;
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    if (must_be_answered_) {
      event->ignore();
      return;
    }
    QMessageBox::closeEvent(event);
  }

 private:
  bool must_be_answered_ = false;
};

QMessageBox::Icon IconFor(int flags) {
  switch (flags & 0x70) {
    case platform::kCritical:
      return QMessageBox::Critical;
    case platform::kQuestion:
      return QMessageBox::Question;
    case platform::kExclamation:
      return QMessageBox::Warning;
    case platform::kInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int QtMessageBoxService::MsgBox(const std::string& text, int flags, const std::string& title) {
  AnsweredBox box(IconFor(flags), ToQString(TranslateLine(title)), LinesText(TranslateLines(text)),
                  QMessageBox::NoButton, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);

  ButtonSet set = ButtonsFor(flags);
  std::vector<std::pair<QAbstractButton*, int>> answers;
  for (const ButtonChoice& choice : set.buttons) {
    QPushButton* button = box.addButton(Tr(choice.caption), choice.role);
    answers.emplace_back(button, choice.answer);
  }
  // The default is the first button unless the flags name the second or third.
  std::size_t default_index = static_cast<std::size_t>((flags >> 8) & 3);
  if (default_index >= answers.size()) default_index = 0;
  box.setDefaultButton(static_cast<QPushButton*>(answers[default_index].first));
  if (set.escape >= 0) {
    box.setEscapeButton(answers[static_cast<std::size_t>(set.escape)].first);
  } else {
    box.MustBeAnswered();
  }

  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, answer] : answers) {
    if (button == clicked) return answer;
  }
  // Only reached when the box went away unanswered (the program is ending): the answer is
  // the one the box offered.
  const int fallback = set.escape >= 0 ? set.escape : static_cast<int>(default_index);
  return answers[static_cast<std::size_t>(fallback)].second;
}

}  // namespace ui
