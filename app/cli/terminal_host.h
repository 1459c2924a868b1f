#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/public_function.h"
#include "engine/run_host.h"

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

  // How many message boxes were shown so far.
  int boxes_shown() const { return boxes_shown_; }

  // The run's counts, which the progress line shows during the copy phase (the run keeps
  // them up to date through RunOptions::stats).
  void set_stats(const engine::RunStats* stats) { stats_ = stats; }

 private:
  int Ask(int default_answer);
  const char* LineStart() const;

  Answers answers_;
  std::FILE* input_;
  std::FILE* output_;
  bool interactive_;
  bool show_progress_;
  int boxes_shown_ = 0;
  const engine::RunStats* stats_ = nullptr;
};

}  // namespace cli
