#include "app/cli/terminal_host.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "app/cli/messages.h"
#include "app/cli/progress_line.h"
#include "app/cli/terminal_text.h"
#include "engine/public_function.h"
#include "platform/console.h"
#include "platform/message_box.h"

namespace cli {
namespace {

// The dialog where nothing is shown: output is not a terminal, or --quiet.
class SilentProgress : public engine::ProgressView {
 public:
  void SetCaption(const std::string&) override {}
  void SetLabel1(const std::string&) override {}
  void SetLabel1Visible(bool) override {}
  void RefreshLabel1() override {}
  void SetLabel2(const std::string&) override {}
  void SetLabel2Visible(bool) override {}
  void RefreshLabel2() override {}
  void SetProgressMin(double) override {}
  void SetProgressMax(double) override {}
  void SetProgressValue(double) override {}
  void SetProgressVisible(bool) override {}
  void SetCancelVisible(bool) override {}
  void RefreshCancel() override {}
  void Refresh() override {}
  void Show() override {}
};

}  // namespace

TerminalHost::TerminalHost(Answers answers, std::FILE* input, std::FILE* output)
    : answers_(answers),
      input_(input),
      output_(output),
      interactive_(platform::IsTerminal(input) && platform::IsTerminal(output)),
      show_progress_(!answers.quiet && platform::IsTerminal(output)) {}

const char* TerminalHost::LineStart() const {
  // A progress line may stand where the message goes; only a terminal has one.
  return show_progress_ ? "\r\033[K" : "";
}

std::uintptr_t TerminalHost::WindowHandle() { return 0; }

std::unique_ptr<engine::ProgressView> TerminalHost::LoadProgress() {
  if (show_progress_) return MakeTerminalProgress(output_, stats_, &waited_);
  return std::make_unique<SilentProgress>();
}

void TerminalHost::DoEvents() {}

void TerminalHost::Say(const std::string& line) {
  std::fprintf(output_, "%sgrebewick-cli: %s\n", LineStart(), line.c_str());
}

void TerminalHost::Note(const std::string& text) {
  if (!answers_.quiet) Error(text);
}

void TerminalHost::Error(const std::string& text) {
  std::fprintf(output_, "%sgrebewick-cli: %s\n", LineStart(), Printable(TrLines(text)).c_str());
}

int TerminalHost::MsgBox(const std::string& text, int flags, const std::string& title) {
  const bool yes_no = (flags & 7) == platform::kYesNo;
  const bool informational = (flags & 0x70) == platform::kInformation;
  if (!yes_no && informational && answers_.quiet) return platform::kAnswerOk;

  ++boxes_shown_;
  std::fprintf(output_, "%sgrebewick-cli: %s: %s\n", LineStart(), Printable(TrLine(title)).c_str(),
               MessageText(TrLines(text)).c_str());
  if (!yes_no) {
    std::fflush(output_);
    return platform::kAnswerOk;
  }
  int default_answer =
      (flags & platform::kDefaultButton2) ? platform::kAnswerNo : platform::kAnswerYes;
  const bool about_remaining = text.find("残りのファイルをコピーしますか？") != std::string::npos;
  if (about_remaining && answers_.continue_after_failure) {
    int forced = *answers_.continue_after_failure ? platform::kAnswerYes : platform::kAnswerNo;
    std::fprintf(output_, "%s\n", forced == platform::kAnswerYes ? Tr("-> Yes") : Tr("-> No"));
    std::fflush(output_);
    return forced;
  }
  if (!interactive_) {
    std::fprintf(
        output_, "%s\n",
        default_answer == platform::kAnswerYes ? Tr("-> Yes (default)") : Tr("-> No (default)"));
    std::fflush(output_);
    return default_answer;
  }
  // Ctrl-C while a question waits asks to stop: a second one during the cancel question is
  // its Yes, and during the question after a failed copy its No.
  const bool about_cancel = text.find("キャンセルして良いですか？") != std::string::npos;
  const int on_interrupt = about_cancel      ? platform::kAnswerYes
                           : about_remaining ? platform::kAnswerNo
                                             : default_answer;
  return Ask(default_answer, on_interrupt);
}

int TerminalHost::Ask(int default_answer, int on_interrupt) {
  const auto asked = std::chrono::steady_clock::now();
  auto prompt = [&] {
    std::fputs(default_answer == platform::kAnswerYes ? Tr("[Y/n] ") : Tr("[y/N] "), output_);
    std::fflush(output_);
  };
  auto read = [&](std::string* line) {
    char buffer[64];
    errno = 0;
    if (std::fgets(buffer, sizeof buffer, input_) != nullptr) {
      *line = buffer;
      return ReadResult::kLine;
    }
    const bool interrupted = errno == EINTR && !engine::AbortRequested;
    std::clearerr(input_);
    std::fputc('\n', output_);
    return interrupted ? ReadResult::kInterrupted : ReadResult::kEnd;
  };
  const int answer = AnswerFromTerminal(read, prompt, default_answer, on_interrupt);
  waited_ += std::chrono::steady_clock::now() - asked;
  return answer;
}

int AnswerFromTerminal(platform::FunctionRef<ReadResult(std::string*)> read,
                       platform::FunctionRef<void()> prompt, int default_answer, int on_interrupt) {
  for (;;) {
    prompt();
    std::string answer;
    switch (read(&answer)) {
      case ReadResult::kInterrupted:
        return on_interrupt;
      case ReadResult::kEnd:
        return default_answer;
      case ReadResult::kLine:
        break;
    }
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == ' ')) answer.pop_back();
    if (answer.empty()) return default_answer;
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "はい") {
      return platform::kAnswerYes;
    }
    if (answer == "n" || answer == "N" || answer == "no" || answer == "いいえ") {
      return platform::kAnswerNo;
    }
  }
}

}  // namespace cli
