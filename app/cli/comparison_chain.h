#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/terminal_host.h"

namespace cli {

// --previous DATEDIR and --incremental: each source is compared against the backups that
// earlier runs made into date folders, instead of against one --compare folder. A date
// folder holds a source under its full path, so the comparison of source S below date
// folder D is D followed by S, as the run maps sources below its own date folder.
class ComparisonChain {
 public:
  // Adds --previous (repeatable) and --incremental to `app`.
  void AddOptions(CLI::App& app);

  // After parsing: "" when the options combine soundly, else the text of a usage error
  // (mixed with --compare or with each other, or a --previous that is not a folder).
  std::string Check(const CLI::App& app) const;

  // Computes each pair's comparison folders, newest first: the --previous folders in the
  // order given, or every date folder under the job's destination that is older than
  // `run_date` ("yyyymmdd"), newest first. Warns on standard error (unless `quiet`) about
  // sources that no earlier backup holds.
  void Resolve(const Job& job, const std::string& run_date, bool quiet);

  // Whether the pairs are compared against chains rather than their --compare folders.
  bool active() const { return !previous_.empty() || incremental_; }
  const std::vector<std::string>& FoldersOf(int pair) const {
    return chains_[static_cast<std::size_t>(pair)];
  }

 private:
  std::vector<std::string> previous_;
  bool incremental_ = false;
  std::vector<std::vector<std::string>> chains_;
};

// The terminal host with each pair compared against its chain when one was given.
class ChainedHost : public TerminalHost {
 public:
  template <typename... Args>
  explicit ChainedHost(const ComparisonChain& chain, Args&&... args)
      : TerminalHost(std::forward<Args>(args)...), chain_(chain) {}

  std::vector<std::string> ComparisonFolders(int pair) override {
    return chain_.active() ? chain_.FoldersOf(pair) : TerminalHost::ComparisonFolders(pair);
  }

 private:
  const ComparisonChain& chain_;
};

}  // namespace cli
