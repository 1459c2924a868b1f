#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/com_file_ex.h"
#include "engine/common.h"
#include "engine/folder_prefetch.h"
#include "engine/run_context.h"
#include "platform/path_rules.h"
#include "platform/sha256.h"
#include "platform/source_snapshot.h"

namespace engine {
namespace {

using platform::kAnswerNo;

// How often a long copy lets window events run, and how long it must have run before a
// cancel request interrupts it.
constexpr auto kEventsEvery = std::chrono::milliseconds(100);
constexpr auto kCancelWithinCopyAfter = std::chrono::milliseconds(250);
// Files read ahead: up to this size (most of a backup's files, a small part of its bytes),
// this many at a time; a larger file is read as it is copied, with its cancel checks.
constexpr std::size_t kReadAheadLimit = 256 << 10;
constexpr std::size_t kReadAheadDepth = 16;

class CopyPhaseRun {
 public:
  explicit CopyPhaseRun(RunContext& run) : run_(run) {}

  RunOutcome Execute() {
    ProgressView& progress = *run_.progress;
    const long copy_count = static_cast<long>(run_.copy_list.size());
    progress.SetProgressValue(0);
    progress.SetProgressMax(static_cast<double>(copy_count));
    progress.SetCaption("対象ファイルコピー中・・・");
    long copied_count = 0;
    progress.SetLabel1("");
    progress.RefreshLabel1();
    progress.SetLabel2("");
    progress.RefreshLabel2();
    progress.SetProgressVisible(true);
    progress.SetCancelVisible(true);
    progress.RefreshCancel();
    progress.SetLabel1Visible(true);
    run_.host.DoEvents();
    for (const CopyItem& item : run_.copy_list) run_.stats.bytes_selected += item.size;
    // Everything below the destination text is written without following links.
    run_.tree = run_.fs.OpenDestination(run_.job.destination);

    // Small files are read a few files ahead on a second thread, so that reading them
    // overlaps with writing the copies before them; copies are still made here, one at a
    // time, in the list's order. A file system standing in for the machine's (a test's)
    // sees every read itself.
    using Snapshot = std::unique_ptr<platform::SourceSnapshot>;
    std::optional<FolderPrefetch<Snapshot>> read_ahead;
    if (platform::SnapshotsTaken() && &run_.fs == &platform::FileSystem::Default()) {
      read_ahead.emplace(
          [](const std::string& path) {
            return path.empty() ? Snapshot() : platform::TakeSnapshot(path, kReadAheadLimit);
          },
          kReadAheadDepth);
    }
    // Paths are handed to the read-ahead a little ahead of the copies, so that it never
    // holds the whole list's.
    SourceFolders ahead_folders(run_.source_trees);
    auto next_ahead = run_.copy_list.begin();
    std::size_t added = 0, taken = 0;
    for (const CopyItem& item : run_.copy_list) {
      Snapshot snapshot;
      if (read_ahead) {
        const bool was_open = next_ahead != run_.copy_list.end();
        for (; next_ahead != run_.copy_list.end() && added < taken + 2 * kReadAheadDepth;
             ++next_ahead, ++added) {
          read_ahead->Add(next_ahead->size <= kReadAheadLimit
                              ? ahead_folders.Of(*next_ahead) + run_.separator +
                                    DiskName(*next_ahead)
                              : std::string());
        }
        if (was_open && next_ahead == run_.copy_list.end()) read_ahead->Close();
        snapshot = read_ahead->Take();
        ++taken;
      }
      PublishStats(run_);
      const std::string destination_folder = DestinationFolderOf(run_.source_folders.Of(item));
      if (destination_folder != last_prepared_folder_) Prepare(item, destination_folder);
      progress.SetProgressValue(static_cast<double>(copied_count));
      progress.SetLabel1(std::to_string(copied_count) + "/" + std::to_string(copy_count));
      progress.SetLabel2(item.FileName);
      run_.host.DoEvents();
      if (refused_folder_) {
        Failed(item, platform::Status());
      } else {
        Copy(item, destination_folder, snapshot.get());
      }
      run_.CancelCheck();
      ++copied_count;
    }
    return run_.stats.failed == 0 ? RunOutcome::kCompleted : RunOutcome::kCompletedWithFailures;
  }

  static void PublishStats(RunContext& run) {
    if (!run.options.stats) return;
    run.stats.selected = static_cast<long>(run.copy_list.size());
    *run.options.stats = run.stats;
  }

 private:
  void Prepare(const CopyItem& item, const std::string& destination_folder) {
    // A folder made below the date folder takes the permissions of the source folder it
    // stands for.
    const std::string& source_folder = run_.source_folders.Of(item);
    auto model = [&](std::string_view folder) {
      if (folder.size() <= DestinationRoot.size() || !folder.starts_with(DestinationRoot)) {
        return std::string();
      }
      return source_folder.substr(0, platform::RootNameLength(source_folder)) +
             std::string(folder.substr(DestinationRoot.size()));
    };
    platform::Status detail;
    refused_folder_ = false;
    if (!PrepareDestination(destination_folder, run_.host, *run_.tree, model, &detail)) {
      // A folder name this medium cannot hold fails the files that would go there; a
      // scheduled backup must not lose every other source over one name.
      if (detail.code() != platform::kBadFileName) {
        if (!detail.ok()) run_.host.Error(detail.message());
        throw RunEnded{RunOutcome::kDestinationRefused};
      }
      run_.host.Error(detail.message());
      refused_folder_ = true;
    }
    last_prepared_folder_ = destination_folder;
  }

  void Copy(const CopyItem& item, const std::string& destination_folder,
            const platform::SourceSnapshot* snapshot) {
    last_events_ = copy_started_ = run_.Now();
    platform::Status detail;
    const long overwrite = 1;
    auto keep_copying = [this] { return KeepCopying(); };
    platform::Sha256* hash = run_.options.write_records ? &hash_ : nullptr;
    int result = CopyFileTo(
        SourceFileOf(item), destination_folder + run_.separator + DiskName(item), overwrite,
        *run_.tree, &detail, keep_copying, run_.fs, run_.job.include_hidden, hash, snapshot);
    if (copy_cancelled_ || AbortRequested) throw RunEnded{RunOutcome::kCancelled};
    if (result == 0) {
      ++run_.stats.copied;
      run_.stats.bytes_copied += item.size;
      if (run_.options.copied) run_.options.copied(SourceFileOf(item), item.size);
      if (hash != nullptr) {
        run_.record.sums.push_back(
            RecordedSum{RecordPathOf(run_.source_folders.Of(item), DiskName(item)),
                        platform::HexDigest(hash->Finish())});
      }
    } else {
      Failed(item, detail);
    }
  }

  void Failed(const CopyItem& item, const platform::Status& detail) {
    ++run_.stats.failed;
    if (!detail.ok()) run_.host.Error(detail.message());
    // The message names the file as the dialog's second line does.
    int answer =
        run_.host.MsgBox("ファイルのコピーに失敗しました。\r" + run_.source_folders.Of(item) +
                             run_.separator + item.FileName + "\r残りのファイルをコピーしますか？",
                         platform::kYesNo | platform::kQuestion, "コピーエラー");
    if (AbortRequested) throw RunEnded{RunOutcome::kCancelled};
    if (answer == kAnswerNo) throw RunEnded{RunOutcome::kStoppedAfterFailure};
  }

  // Asked between parts of a copy. A long copy lets window events run about ten times a
  // second, so that the dialog repaints and its cancel button can be pressed. Once a copy has
  // run for a quarter of a second, a cancel request is confirmed at once, through the cancel
  // check's own question: Yes abandons the copy (its temporary file goes) and ends the run,
  // No lets the copy go on. A shorter copy is finished first, and the check after it asks,
  // as for every item. A request to end the program abandons any copy at once.
  bool KeepCopying() {
    const auto now = run_.Now();
    if (!AbortRequested && now - last_events_ >= kEventsEvery) {
      last_events_ = now;
      run_.host.DoEvents();
    }
    const bool may_ask = now - copy_started_ >= kCancelWithinCopyAfter;
    if (AbortRequested || (may_ask && run_.CancelConfirmed())) {
      copy_cancelled_ = true;
      return false;
    }
    return true;
  }

  // The name that touches the disk: FileName itself, except where names are case-sensitive
  // and FileName is an upper-cased form of the stored name.
  const std::string& DiskName(const CopyItem& item) const {
    return run_.case_sensitive && !item.stored_name.empty() ? item.stored_name : item.FileName;
  }

  std::string SourceFileOf(const CopyItem& item) const {
    return run_.source_folders.Of(item) + run_.separator + DiskName(item);
  }

  RunContext& run_;
  std::string last_prepared_folder_;
  bool refused_folder_ = false;
  std::chrono::steady_clock::time_point copy_started_, last_events_;
  bool copy_cancelled_ = false;
  platform::Sha256 hash_;
};

bool DayHasRecord(RunContext& run) {
  platform::EntryInfo info;
  return run.fs.Probe(DestinationRoot + run.separator + kRecordFolder, &info).ok() &&
         info.kind == platform::EntryKind::kFolder;
}

}  // namespace

std::string DestinationFolderOf(const std::string& source_folder) {
  return BelowDateFolder(DestinationRoot, source_folder);
}

std::string RecordPathOf(const std::string& folder, const std::string& file) {
  std::string path = RecordPath(BelowDateFolder("", folder));
  if (!path.empty()) path.push_back('/');
  return path + file;
}

RunOutcome CopyPhase(RunContext& run) { return CopyPhaseRun(run).Execute(); }

// Copies are made durable once, at the end, whichever way the run ends: one flush of the
// destination's file system costs a fraction of a flush per file.
RunOutcome FlushCopies(RunContext& run, RunOutcome outcome) {
  CopyPhaseRun::PublishStats(run);
  // A run of a day that already has a backup records what exists now even when it copies
  // nothing: a file deleted since the earlier run must not come back in a restore.
  const bool refresh = run.options.write_records && run.stats.copied == 0 && DayHasRecord(run);
  if (refresh && !run.tree && outcome == RunOutcome::kNothingToCopy) {
    run.tree = run.fs.OpenDestination(run.job.destination);
    // Opening the day's folder through the tree makes the flush below reach the record.
    auto no_model = [](std::string_view) { return std::string(); };
    if (!run.tree->MakeFolders(DestinationRoot, no_model).ok()) run.tree.reset();
  }
  if (!run.tree) return outcome;
  // Written before the flush, which makes them durable with the copies they describe.
  if (run.options.write_records && (run.stats.copied > 0 || refresh)) {
    platform::Status recorded =
        WriteRunRecord(run.job.destination, DateFolderName, run.record, run.files);
    if (!recorded.ok()) {
      run.host.Error(DestinationRoot +
                     ": the record of this run was not written: " + recorded.message());
      if (outcome == RunOutcome::kCompleted) outcome = RunOutcome::kCompletedWithFailures;
    }
  }
  platform::Status status = run.tree->Finish();
  // FAT and its kin hold no permissions or owners: worth knowing once, not per file.
  const platform::DestinationRefusals refused = run.tree->refusals();
  if (refused.any()) {
    std::vector<std::string> kinds;
    if (refused.permissions) kinds.push_back("permission bits");
    if (refused.owners) kinds.push_back("owners");
    if (refused.times) kinds.push_back("modification times");
    std::string what = kinds[0];
    for (std::size_t i = 1; i < kinds.size(); ++i) {
      what += (i + 1 == kinds.size() ? " and " : ", ") + kinds[i];
    }
    run.host.Note(DestinationRoot + ": the destination does not keep " + what +
                  "; the files were copied without them");
  }
  if (status.ok() || run.stats.copied == 0) return outcome;
  run.host.Error(status.message());
  run.host.MsgBox("コピーしたファイルをディスクに書き込めませんでした。\r" + DestinationRoot,
                  platform::kOkOnly | platform::kExclamation, "コピーエラー");
  return outcome == RunOutcome::kCompleted ? RunOutcome::kCompletedWithFailures : outcome;
}

}  // namespace engine
