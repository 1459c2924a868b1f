#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace cli {

struct FolderPair {
  std::string source;
  std::string comparison;  // a folder, or "なし"
};

struct Job {
  std::vector<FolderPair> pairs;
  std::string destination;
  bool include_subfolders = true;
  bool read_archives = true;
  bool match_folders = true;
};

// How questions are answered when nobody is at a terminal.
struct Answers {
  // Forces the answer to "残りのファイルをコピーしますか？" (true = Yes).
  std::optional<bool> continue_after_failure;
  bool quiet = false;
};

// The run's host in a terminal: the job comes from the command line, messages go to standard
// error, questions are asked on the terminal (or answered by their default button), and the
// progress dialog becomes a progress line on standard error when that is a terminal.
class TerminalHost : public engine::RunHost {
 public:
  TerminalHost(Job job, Answers answers, std::FILE* input, std::FILE* output);

  int PairCount() override;
  std::string SourceFolder(int pair) override;
  std::string ComparisonFolder(int pair) override;
  std::string DestinationText() override;
  bool IncludeSubfolders() override;
  bool ReadArchives() override;
  bool MatchFolders() override;
  std::uintptr_t WindowHandle() override;
  std::unique_ptr<engine::ProgressView> LoadProgress() override;
  void DoEvents() override;
  void Note(const std::string& text) override;
  int MsgBox(const std::string& text, int flags, const std::string& title) override;

 private:
  int Ask(int default_answer);

  Job job_;
  Answers answers_;
  std::FILE* input_;
  std::FILE* output_;
  bool interactive_;
  bool show_progress_;
};

}  // namespace cli
