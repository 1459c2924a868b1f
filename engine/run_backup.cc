#include <atomic>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "engine/common.h"
#include "engine/run_context.h"
#include "engine/run_text.h"
#include "engine/unlha_archive.h"
#include "platform/path_rules.h"

namespace engine {
namespace {

using platform::kAnswerYes;

// The folder below `source_root` that the walk must leave out because the destination is
// there ("" when the destination is elsewhere or does not exist yet): otherwise each run
// would back up the backups of every earlier run, one level deeper each day.
std::string DestinationBelow(platform::FileSystem& fs, const std::string& source_root,
                             const std::string& destination) {
  platform::FileIdentity source, target;
  if (!fs.Identify(source_root, &source).ok() || !fs.Identify(destination, &target).ok() ||
      !source.exists || !target.exists) {
    return std::string();
  }
  const std::string& inside = source.real_path;
  const std::string& below = target.real_path;
  const bool at_root = inside.size() == platform::RootNameLength(inside) + 1;
  if (below.size() <= inside.size() || below.compare(0, inside.size(), inside) != 0 ||
      (!at_root && !platform::IsSeparator(below[inside.size()]))) {
    return std::string();
  }
  std::string rest = below.substr(inside.size() + (at_root ? 0 : 1));
  return source_root +
         (platform::IsSeparator(source_root.back()) ? "" : std::string(1, platform::Separator())) +
         rest;
}

class Run {
 public:
  Run(const Job& job, RunHost& host, const RunOptions& options) : run_(job, host, options) {}

  RunOutcome Execute() {
    RunOutcome outcome;
    try {
      Start();
      for (const FolderPair& pair : run_.job.pairs) DoPair(pair);
      outcome = Finish();
    } catch (const RunEnded& ended) {
      outcome = ended.outcome;
    } catch (const std::exception& error) {
      outcome = ReportUnexpected(error);
    }
    outcome = FlushCopies(run_, outcome);
    // End of run, the same for every way out: unload the dialog, release the archive object.
    run_.progress.reset();
    run_.archive.reset();
    return outcome;
  }

 private:
  void Start() {
    CancelRequested = false;
    if (run_.options.make_archive) {
      run_.archive = run_.options.make_archive();
    } else if (!run_.options.archive_library.empty()) {
      run_.archive = MakeUnlhaArchive(run_.options.archive_library, run_.host);
    }
    if (run_.archive) {
      run_.archive->SetOwnerWindow(static_cast<std::int32_t>(run_.host.WindowHandle()));
    }
    if (!run_.job.date_folder.empty()) DateFolderName = run_.job.date_folder;
    if (DateFolderName.empty()) DateFolderName = TodayFolderName();
    std::string destination = run_.job.destination;
    if (destination.empty() || !platform::IsSeparator(destination.back())) {
      destination += run_.separator;
    }
    DestinationRoot = destination + DateFolderName;
    // Without a destination the date folder would land at the top of the file system. The
    // window and the terminal front end never start such a run; a caller that does is told.
    if (run_.job.destination.empty()) {
      run_.host.MsgBox("コピー先の指定が間違っています。", platform::kOkOnly | platform::kCritical,
                       "フォルダ指定エラー");
      throw RunEnded{RunOutcome::kDestinationRefused};
    }

    ProgressView& progress = *(run_.progress = run_.host.LoadProgress());
    progress.SetCaption("対象ファイル検索中");
    progress.SetLabel1Visible(true);
    progress.SetLabel2Visible(true);
    progress.SetLabel2("しばらくお待ちください・・・");
    progress.SetProgressMin(0);
    progress.SetProgressMax(1);
    progress.SetProgressValue(0);
    progress.SetCancelVisible(false);
    progress.Show();
    run_.host.DoEvents();
  }

  void DoPair(const FolderPair& job_pair) {
    PairState pair;
    pair.source_root = JobFolder(job_pair.source);
    for (const std::string& folder : job_pair.comparisons) {
      pair.comparisons.push_back(JobFolder(folder));
    }
    pair.skipped_folder = DestinationBelow(run_.fs, pair.source_root, run_.job.destination);
    if (!pair.skipped_folder.empty()) {
      run_.host.Note("the destination " + run_.job.destination + " lies inside the source " +
                     pair.source_root + "; it is left out of the backup");
    }
    // The comparison side's archives are looked for while the source tree is walked.
    std::optional<FolderPrefetch<std::vector<ArchiveFile>>> archives;
    if (run_.archive && run_.job.read_archives && run_.job.archives_in_backups) {
      run_.record.read_archives = true;
    }
    if (!pair.comparisons.empty() && run_.archive && run_.job.read_archives) {
      run_.record.read_archives = true;
      archives.emplace(
          [this, &pair](const std::string& folder) { return ArchivesFor(run_, pair, folder); },
          SIZE_MAX);
    }
    auto found = [&](const std::string& folder) {
      if (archives) archives->Add(folder);
    };
    pair.folders = FolderTree(pair.source_root);
    if (run_.job.include_subfolders) {
      WalkRules rules;
      rules.include_hidden = run_.job.include_hidden;
      rules.hidden_left_out = &run_.hidden_left_out;
      rules.skipped_folder = pair.skipped_folder;
      if (!run_.job.exclude.empty()) {
        rules.exclude = &run_.job.exclude;
        rules.root = pair.source_root;
      }
      ListSubfoldersDeep(pair.source_root, pair.folders, run_.fs, rules, found);
    }
    pair.folders.AddRoot();
    found(pair.source_root);
    if (archives) archives->Close();
    CataloguePhase(run_, pair, archives ? &*archives : nullptr);
    DecisionPhase(run_, pair);
    run_.source_trees.push_back(std::move(pair.folders));
  }

  RunOutcome Finish() {
    if (run_.distrusted > 0) {
      run_.host.Note(std::to_string(run_.distrusted) +
                     " file(s) copied although a comparison holds them with the same size: its "
                     "time is later than the start of this run, or no valid time, and such a "
                     "time vouches only when it equals the file's own");
    }
    if (run_.hidden_left_out > 0) {
      run_.host.Note(std::to_string(run_.hidden_left_out) +
                     " hidden entries (names beginning with \".\") were left out; --hidden "
                     "includes them");
    }
    if (run_.copy_list.empty()) {
      run_.host.MsgBox("コピー対象となるファイルはありません。",
                       platform::kOkOnly | platform::kInformation, "対象検索結果");
      return RunOutcome::kNothingToCopy;
    }
    if (run_.options.dry_run) {
      for (const CopyItem& item : run_.copy_list) {
        const std::string& folder = run_.source_folders.Of(item);
        const std::string& name =
            run_.case_sensitive && !item.stored_name.empty() ? item.stored_name : item.FileName;
        run_.options.dry_run(folder + run_.separator + name,
                             DestinationFolderOf(folder) + run_.separator + name);
      }
      return RunOutcome::kCompleted;
    }
    return CopyPhase(run_);
  }

  RunOutcome ReportUnexpected(const std::exception& error) {
    try {
      run_.host.MsgBox(std::string(kUnexpectedFailureText) + "\r" + error.what(),
                       platform::kOkOnly | platform::kCritical);
    } catch (...) {
      // The report itself failed; the run still ends normally.
    }
    return RunOutcome::kAborted;
  }

  RunContext run_;
};

}  // namespace

const std::string& SourceFolders::Of(const CopyItem& item) {
  if (item.pair != pair_ || item.folder != folder_) {
    trees_[item.pair].PathOf(item.folder, path_);
    pair_ = item.pair;
    folder_ = item.folder;
  }
  return path_;
}

RunContext::RunContext(const Job& job, RunHost& host, const RunOptions& options)
    : job(job),
      host(host),
      options(options),
      fs(options.file_system ? *options.file_system : platform::FileSystem::Default()),
      separator(1, platform::Separator()),
      case_sensitive(platform::NamesAreCaseSensitive()) {
  decision.case_sensitive = case_sensitive;
  decision.run_start = options.start_time ? *options.start_time
                                          : std::chrono::duration_cast<std::chrono::seconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count();
  decision.run_start_text = std::string(TimeText(decision.run_start).view());
}

void RunContext::CancelCheck() {
  if (CancelConfirmed()) throw RunEnded{RunOutcome::kCancelled};
}

bool RunContext::CancelConfirmed() {
  if (AbortRequested) return true;
  if (!CancelRequested) return false;
  int answer = host.MsgBox("キャンセルして良いですか？", platform::kYesNo | platform::kExclamation,
                           "ｷｬﾝｾﾙ確認");
  if (answer == kAnswerYes || AbortRequested) return true;
  CancelRequested = false;
  return false;
}

std::chrono::steady_clock::time_point RunContext::Now() const {
  return options.clock ? options.clock() : std::chrono::steady_clock::now();
}

RunOutcome RunBackup(const Job& job, RunHost& host, const RunOptions& options) {
  static std::atomic<bool> running{false};
  if (running.exchange(true)) return RunOutcome::kAlreadyRunning;
  struct Release {
    ~Release() { running = false; }
  } release;
  return Run(job, host, options).Execute();
}

}  // namespace engine
