#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/terminal_text.h"

namespace cli {

struct RestoreRequest {
  std::string destination;            // --dest: the folder that holds the date folders
  std::string to;                     // --to: the folder the sources are rebuilt below
  std::string as_of;                  // --as-of: "yyyymmdd"; "" for the newest
  std::vector<std::string> sources;   // --source: full paths; empty for every source recorded
  std::vector<std::string> patterns;  // file names to restore; empty for all
  bool dry_run = false;
  bool quiet = false;
  RecordFormat format;
};

// grebewick-cli --restore: rebuilds the recorded sources below `to` as they were at the end
// of the run of `as_of` (see the manual page). Nothing is written outside `to`, nothing there
// is replaced, no link there is followed. The dry run prints "BACKUP_FILE<TAB>RESTORED_FILE"
// per file on `output`. Returns the exit status: 0 when every file was restored, 1 when one
// is missing from the chain or could not be restored, 3 when cancelled.
int Restore(const RestoreRequest& request, std::FILE* output, std::FILE* errors);

}  // namespace cli
