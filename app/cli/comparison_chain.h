#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "engine/job.h"
#include "platform/file_system.h"

namespace cli {

// --previous DATEDIR and --incremental: each source is compared against the backups that
// earlier runs made into date folders, instead of against one --compare folder. A date
// folder holds a source under its full path, so the comparison of source S below date
// folder D is D followed by S, as the run maps sources below its own date folder.
class ComparisonChain {
 public:
  // Adds --previous (repeatable), --incremental and --archives-in-backups to `app`.
  void AddOptions(CLI::App& app);

  // After parsing: "" when the options combine soundly, else the text of a usage error
  // (mixed with --compare or with each other, an empty value).
  std::string Check(const CLI::App& app) const;

  // Gives each pair of `job` its comparison folders, newest first: the --previous folders
  // in the order given, or every date folder under the job's destination up to and
  // including the run's own (so that a second run on one day compares with the first).
  // Only plain files of a backup count unless --archives-in-backups: an LZH file there is
  // a copy of the user's own file, not a description of the backup. Notes go to `notes`.
  void Resolve(engine::Job& job, platform::FileSystem& fs, std::vector<std::string>* notes) const;

  // Whether the pairs are compared against chains rather than their --compare folders.
  bool active() const { return !previous_.empty() || incremental_; }

 private:
  std::vector<std::string> previous_;
  bool incremental_ = false;
  bool archives_ = false;
};

}  // namespace cli
