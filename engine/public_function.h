#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/archive_object.h"
#include "engine/exclude_rules.h"
#include "engine/folder_tree.h"
#include "engine/job.h"
#include "engine/run_host.h"
#include "platform/destination.h"
#include "platform/file_system.h"
#include "platform/function_ref.h"
#include "platform/message_box.h"
#include "platform/status.h"

namespace engine {

// Raised by the progress dialog's cancel button (and by Ctrl-C in the terminal front end);
// cleared by the run at its start and whenever the user declines to cancel. Atomic so that
// a signal handler may set it.
extern std::atomic<bool> CancelRequested;

// Raised by a request to end the program (SIGTERM, SIGHUP in the terminal front end); never
// cleared. The run ends at its next cancel check, and a copy in progress is abandoned at
// once, both without asking, as after a confirmed cancel.
extern std::atomic<bool> AbortRequested;

// How a run ended. The window shows nothing more; the terminal front end turns it into its
// exit status.
enum class RunOutcome {
  kCompleted,              // every selected file was copied
  kCompletedWithFailures,  // the user went on after one or more failed copies
  kNothingToCopy,          // no file qualified
  kCancelled,              // a cancel was confirmed
  kDestinationRefused,     // a destination folder was refused or could not be created
  kStoppedAfterFailure,    // the user answered No after a failed copy
  kAborted,                // an unexpected failure ended the run; it has been reported
  kAlreadyRunning,         // a run was in progress; nothing was done
};

// Counts of one run, for front ends that report more than the window does.
struct RunStats {
  long selected = 0;  // items in the copy list
  long copied = 0;    // items copied
  long failed = 0;    // items whose copy failed
  long unreadable_folders =
      0;  // source folders that could not be listed (nothing of them was judged)
  std::uint64_t bytes_selected = 0;  // sizes of the items in the copy list, as listed
  std::uint64_t bytes_copied = 0;    // sizes of the items copied
};

struct RunOptions {
  // The file system to work on; null means the machine's own.
  platform::FileSystem* file_system = nullptr;
  // Full path of the archive library as the presence check found it; "" when it was not
  // found (the run then reads no archives).
  std::string archive_library;
  // Makes the archive object of a run; null means the archive library at `archive_library`.
  std::function<std::unique_ptr<ArchiveObject>()> make_archive;
  // When set, the run searches but copies nothing: after the search it hands every item of
  // the copy list, in order, as its source file and destination file.
  std::function<void(const std::string& source_file, const std::string& destination_file)> dry_run;
  // When set, told of each file once it is copied: its source file and its size as listed.
  std::function<void(const std::string& source_file, std::uint64_t size)> copied;
  // When set, receives the run's counts before each copy of the copy phase (so that a
  // progress display can show bytes) and at the run's end.
  RunStats* stats = nullptr;
  // The clock that paces a long copy (window events, cancel questions); null means the
  // steady clock.
  std::function<std::chrono::steady_clock::time_point()> clock;
  // The run's start (Unix seconds), after which no comparison's time is trusted; unset
  // means now.
  std::optional<std::int64_t> start_time;
  // A run that copies records its copies' SHA-256 (taken while copying) and the files of its
  // sources in its date folder (engine/run_record.h), for restores and checks of the medium.
  bool write_records = false;
};

// What the walk of a source tree leaves out besides system entries.
struct WalkRules {
  bool include_hidden = false;      // hidden folders are walked too
  long* hidden_left_out = nullptr;  // counts the hidden folders left out
  // A folder (as the walk names it) that is neither listed nor entered.
  std::string skipped_folder;
  // Folders left out by the job's patterns, matched by their path below `root`.
  const ExcludeRules* exclude = nullptr;
  std::string root;
};

// Performs one whole run of `job`, talking to the user through `host`. Never entered twice:
// a call while a run is in progress returns kAlreadyRunning at once.
RunOutcome RunBackup(const Job& job, RunHost& host, const RunOptions& options = {});

// Fills `list` with every subfolder below `root` at all depths (entries 0 to count-1, in
// walk order) and one empty spare slot at the end; returns count. Iterative, so the depth
// of the tree is bounded only by the platform's path length.
long ListSubfoldersDeep(const std::string& root, std::vector<std::string>& list,
                        platform::FileSystem& fs = platform::FileSystem::Default());

// The same walk under `rules`, telling `on_folder` of each folder as it takes its place in
// the list, so that work on the folders can start while the walk goes on.
long ListSubfoldersDeep(const std::string& root, std::vector<std::string>& list,
                        platform::FileSystem& fs, const WalkRules& rules,
                        platform::FunctionRef<void(const std::string&)> on_folder);

// The same walk into `tree`, which names the folders below their parents; the caller
// appends the root (FolderTree::AddRoot) when it wants it as the last folder.
long ListSubfoldersDeep(const std::string& root, FolderTree& tree, platform::FileSystem& fs,
                        const WalkRules& rules,
                        platform::FunctionRef<void(const std::string&)> on_folder);

// Checks the destination folder `path`, creates every missing folder of it below the root of
// `tree` (each taking the permissions of the source folder `model` names for it) and returns
// true; shows its own message through `messages` and returns false when the path is refused
// or cannot be created (`detail`, when given, then receives the system's reason).
bool PrepareDestination(const std::string& path, platform::MessageBoxService& messages,
                        platform::DestinationTree& tree, platform::FolderModel model,
                        platform::Status* detail = nullptr);

}  // namespace engine
