#include "app/cli/terminal_host.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "app/cli/terminal_text.h"
#include "engine/public_function.h"
#include "platform/console.h"
#include "platform/message_box.h"

namespace cli {
namespace {

int TerminalWidth(std::FILE* output) {
  int columns = platform::TerminalColumns(output);
  return columns > 10 ? columns : 80;
}

// At most `limit` characters of UTF-8 text, cut at a character boundary.
std::string Shorten(const std::string& text, std::size_t limit) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters++ == limit) return text.substr(0, i) + "…";
  }
  return text;
}

// The progress dialog as one line on a terminal, redrawn at most ten times a second.
class TerminalProgress : public engine::ProgressView {
 public:
  explicit TerminalProgress(std::FILE* output) : output_(output) {}
  ~TerminalProgress() override {
    if (drawn_) std::fputs("\r\033[K", output_);
    std::fflush(output_);
  }

  void SetCaption(const std::string& text) override {
    caption_ = text;
    Draw(true);
  }
  void SetLabel1(const std::string& text) override {
    label1_ = text;
    Draw(false);
  }
  void SetLabel1Visible(bool) override {}
  void RefreshLabel1() override { Draw(false); }
  void SetLabel2(const std::string& text) override {
    label2_ = text;
    Draw(false);
  }
  void SetLabel2Visible(bool) override {}
  void RefreshLabel2() override { Draw(false); }
  void SetProgressMin(double value) override { min_ = value; }
  void SetProgressMax(double value) override { max_ = value; }
  void SetProgressValue(double value) override { value_ = value; }
  void SetProgressVisible(bool visible) override { bar_visible_ = visible; }
  void SetCancelVisible(bool) override {}
  void RefreshCancel() override {}
  void Refresh() override { Draw(false); }
  void Show() override { Draw(true); }

 private:
  void Draw(bool now) {
    auto clock = std::chrono::steady_clock::now();
    if (!now && drawn_ && clock - last_draw_ < std::chrono::milliseconds(100)) return;
    last_draw_ = clock;
    std::string line = caption_ + " ";
    if (bar_visible_ && max_ > min_) {
      constexpr int kBarWidth = 20;
      double share = (value_ - min_) / (max_ - min_);
      int filled = static_cast<int>(share * kBarWidth);
      line.push_back('[');
      line.append(static_cast<std::size_t>(filled), '#');
      line.append(static_cast<std::size_t>(kBarWidth - filled), '-');
      line.append("] ");
    }
    line += label1_ + " " + label2_;
    // Japanese text is two columns wide; half the width in characters always fits.
    line = Printable(Shorten(line, static_cast<std::size_t>(TerminalWidth(output_) / 2)));
    std::fprintf(output_, "\r\033[K%s", line.c_str());
    std::fflush(output_);
    drawn_ = true;
  }

  std::FILE* output_;
  std::string caption_, label1_, label2_;
  double min_ = 0, max_ = 1, value_ = 0;
  bool bar_visible_ = false;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_draw_;
};

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

TerminalHost::TerminalHost(Job job, Answers answers, std::FILE* input, std::FILE* output)
    : job_(std::move(job)),
      answers_(answers),
      input_(input),
      output_(output),
      interactive_(platform::IsTerminal(input) && platform::IsTerminal(output)),
      show_progress_(!answers.quiet && platform::IsTerminal(output)) {}

int TerminalHost::PairCount() { return static_cast<int>(job_.pairs.size()); }
std::string TerminalHost::SourceFolder(int pair) {
  return job_.pairs[static_cast<std::size_t>(pair)].source;
}
std::string TerminalHost::ComparisonFolder(int pair) {
  return job_.pairs[static_cast<std::size_t>(pair)].comparison;
}
std::string TerminalHost::DestinationText() { return job_.destination; }
bool TerminalHost::IncludeSubfolders() { return job_.include_subfolders; }
bool TerminalHost::ReadArchives() { return job_.read_archives; }
bool TerminalHost::MatchFolders() { return job_.match_folders; }
std::uintptr_t TerminalHost::WindowHandle() { return 0; }

std::unique_ptr<engine::ProgressView> TerminalHost::LoadProgress() {
  if (show_progress_) return std::make_unique<TerminalProgress>(output_);
  return std::make_unique<SilentProgress>();
}

void TerminalHost::DoEvents() {}

void TerminalHost::Note(const std::string& text) {
  if (!answers_.quiet) std::fprintf(output_, "\r\033[K%s\n", Printable(text).c_str());
}

int TerminalHost::MsgBox(const std::string& text, int flags, const std::string& title) {
  const bool yes_no = (flags & 7) == platform::kYesNo;
  const bool informational = (flags & 0x70) == platform::kInformation;
  if (!yes_no && informational && answers_.quiet) return platform::kAnswerOk;

  ++boxes_shown_;
  std::fprintf(output_, "\r\033[K%s: %s\n", Printable(title).c_str(), MessageText(text).c_str());
  if (!yes_no) {
    std::fflush(output_);
    return platform::kAnswerOk;
  }
  int default_answer =
      (flags & platform::kDefaultButton2) ? platform::kAnswerNo : platform::kAnswerYes;
  const bool about_remaining = text.find("残りのファイルをコピーしますか？") != std::string::npos;
  if (about_remaining && answers_.continue_after_failure) {
    int forced = *answers_.continue_after_failure ? platform::kAnswerYes : platform::kAnswerNo;
    std::fprintf(output_, "-> %s\n", forced == platform::kAnswerYes ? "Yes" : "No");
    std::fflush(output_);
    return forced;
  }
  if (!interactive_) {
    std::fprintf(output_, "-> %s (default)\n",
                 default_answer == platform::kAnswerYes ? "Yes" : "No");
    std::fflush(output_);
    return default_answer;
  }
  return Ask(default_answer);
}

int TerminalHost::Ask(int default_answer) {
  for (;;) {
    std::fputs(default_answer == platform::kAnswerYes ? "[Y/n] " : "[y/N] ", output_);
    std::fflush(output_);
    char line[64];
    errno = 0;
    if (std::fgets(line, sizeof line, input_) == nullptr) {
      if (errno == EINTR) {
        std::clearerr(input_);
        std::fputc('\n', output_);
        continue;  // Ctrl-C while asking: ask again
      }
      std::fputc('\n', output_);
      return default_answer;
    }
    std::string answer(line);
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
