#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/public_function.h"
#include "engine/run_host.h"
#include "platform/function_ref.h"

namespace cli {

// How questions are answered when nobody is at a terminal.
struct Answers {
  // Forces the answer to "残りのファイルをコピーしますか？" (true = Yes).
  std::optional<bool> continue_after_failure;
  bool quiet = false;
};

// The run's host in a terminal: messages go to standard error, questions are asked on the terminal
// (or answered by their default button), and the progress dialog becomes a progress line on
// standard error when that is a terminal. Every message starts with "grebewick-cli: ", so that it
// can be told apart in a log.
class TerminalHost : public engine::RunHost {
 public:
  TerminalHost(Answers answers, std::FILE* input, std::FILE* output);

  std::uintptr_t WindowHandle() override;
  std::unique_ptr<engine::ProgressView> LoadProgress() override;
  void DoEvents() override;
  void Note(const std::string& text) override;
  void Error(const std::string& text) override;
  int MsgBox(const std::string& text, int flags, const std::string& title) override;

  // Writes one line of the program's own on the output, where a progress line may stand.
  void Say(const std::string& line);

  // How many message boxes were shown so far.
  int boxes_shown() const { return boxes_shown_; }

  // The run's counts, which the progress line shows during the copy phase (the run keeps
  // them up to date through RunOptions::stats).
  void set_stats(const engine::RunStats* stats) { stats_ = stats; }

 private:
  int Ask(int default_answer, int on_interrupt);
  const char* LineStart() const;

  Answers answers_;
  std::FILE* input_;
  std::FILE* output_;
  bool interactive_;
  bool show_progress_;
  int boxes_shown_ = 0;
  const engine::RunStats* stats_ = nullptr;
  // Time spent waiting for answers, which the progress line's rate leaves out.
  std::chrono::steady_clock::duration waited_{};
};

// What reading one answer from the terminal gave.
enum class ReadResult { kLine, kInterrupted, kEnd };

// Asks a yes/no question until it is answered: `prompt` writes "[Y/n] " or "[y/N] ", `read`
// reads one line. "y", "yes", "はい" and "n", "no", "いいえ" answer; an empty line or the
// end of input is the default answer; an interrupt (Ctrl-C) while waiting is
// `on_interrupt`, the answer that ends the run; anything else asks again.
int AnswerFromTerminal(platform::FunctionRef<ReadResult(std::string*)> read,
                       platform::FunctionRef<void()> prompt, int default_answer, int on_interrupt);

}  // namespace cli
