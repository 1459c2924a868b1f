#pragma once

// The state one run shares between its phases (the driver, the catalogue phase, the
// decision phase and the copy phase). Internal to engine/.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive_object.h"
#include "engine/catalogue.h"
#include "engine/folder_prefetch.h"
#include "engine/folder_tree.h"
#include "engine/job.h"
#include "engine/public_function.h"
#include "engine/records.h"
#include "engine/run_host.h"
#include "engine/run_record.h"
#include "platform/destination.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"

namespace engine {

// Thrown by the run's exits (a confirmed cancel, a refused destination, No after a failed
// copy) so that every one of them passes through the same end-of-run steps.
struct RunEnded {
  RunOutcome outcome;
};

struct CopyItem {
  std::string FileName;      // as listed, or upper-cased where the decision says so
  std::string stored_name;   // the name on disk when it differs from FileName
  std::uint32_t pair = 0;    // index into RunContext::source_trees
  std::uint32_t folder = 0;  // index into that tree
  std::uint64_t size = 0;    // as listed
};

// The full paths of the source folders that copy items name. Items come folder by folder,
// so one remembered path answers most calls; a path stays valid until the next call.
class SourceFolders {
 public:
  explicit SourceFolders(const std::vector<FolderTree>& trees) : trees_(trees) {}
  const std::string& Of(const CopyItem& item);

 private:
  const std::vector<FolderTree>& trees_;
  std::string path_;
  std::uint32_t pair_ = UINT32_MAX;
  std::uint32_t folder_ = UINT32_MAX;
};

// An archive found in a counterpart folder: which comparison folder's, and its name.
struct ArchiveFile {
  std::size_t comparison;
  std::string name;
};

// The folder pair being searched.
struct PairState {
  std::string source_root;
  std::vector<std::string> comparisons;  // newest first; empty when the pair has none
  FolderTree folders;                    // FolderList: the subfolders, then the root
  // The folder below the source that the walk leaves out (the destination), or "".
  std::string skipped_folder;

  // The source folder `folder` as the job's exclusion patterns see it ("" for the root).
  std::string Below(const std::string& folder) const {
    return PathBelow(source_root, folder, platform::Separator());
  }

  // The folder below `comparison` that corresponds to the source folder `folder`.
  std::string Counterpart(const std::string& comparison, const std::string& folder) const {
    return comparison + folder.substr(std::min(source_root.size(), folder.size()));
  }
};

class RunContext {
 public:
  RunContext(const Job& job, RunHost& host, const RunOptions& options);

  // The cancel check: ends the run (RunEnded) when a cancel is confirmed.
  void CancelCheck();
  // The question of the cancel check: true when the run is to end. A request to end the
  // program needs no confirmation, also when it comes while the question is open.
  bool CancelConfirmed();
  std::chrono::steady_clock::time_point Now() const;

  const Job& job;
  RunHost& host;
  const RunOptions& options;
  platform::FileSystem& fs;
  const std::string separator;
  const bool case_sensitive;
  DecisionContext decision;

  std::unique_ptr<ArchiveObject> archive;
  std::unique_ptr<ProgressView> progress;
  ArchiveCatalogue catalogue;
  // A deque: a million-file run's list grows without the moment a vector holds it twice.
  std::deque<CopyItem> copy_list;
  // Each pair's folders once it has been searched, named by the copy list's items.
  std::vector<FolderTree> source_trees;
  SourceFolders source_folders{source_trees};
  // The copy phase's writes; flushed on every way out.
  std::unique_ptr<platform::DestinationTree> tree;
  RunStats stats;
  // Files copied because the only record that could have vouched for them had a time that
  // cannot be trusted; hidden entries left out; folders left out as the destination.
  long distrusted = 0;
  long hidden_left_out = 0;
  // What the run records of itself, when it does (RunOptions::write_records): the sums of
  // its copies, and every file of its sources.
  RunRecord record;
  FilesSpool files;
};

// The phases of one pair, in the order the driver calls them.
std::vector<ArchiveFile> ArchivesFor(RunContext& run, const PairState& pair,
                                     const std::string& folder);
void CataloguePhase(RunContext& run, const PairState& pair,
                    FolderPrefetch<std::vector<ArchiveFile>>* archives);
void DecisionPhase(RunContext& run, const PairState& pair);

// The copy phase over the whole copy list; the flush that follows it on every way out.
RunOutcome CopyPhase(RunContext& run);
RunOutcome FlushCopies(RunContext& run, RunOutcome outcome);

// DestinationRoot followed by the source folder without its root name.
std::string DestinationFolderOf(const std::string& source_folder);

// The path below a date folder where `file` of the source folder `folder` is filed, as the
// run's record names it.
std::string RecordPathOf(const std::string& folder, const std::string& file);

}  // namespace engine
