#include <atomic>
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "engine/catalogue.h"
#include "engine/com_file_ex.h"
#include "engine/common.h"
#include "engine/folder_prefetch.h"
#include "engine/public_function.h"
#include "engine/run_text.h"
#include "engine/unlha_archive.h"
#include "platform/path_rules.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace engine {
namespace {

using platform::kAnswerNo;
using platform::kAnswerYes;

constexpr char kNoComparison[] = "なし";

// How often a long copy lets window events run, and how long it must have run before a
// cancel request interrupts it.
constexpr auto kEventsEvery = std::chrono::milliseconds(100);
constexpr auto kCancelWithinCopyAfter = std::chrono::milliseconds(250);

// How many counterpart folders may be read ahead of the decisions.
constexpr std::size_t kCounterpartsAhead = 32;

// An archive found in a counterpart folder: which comparison folder's, and its name.
struct ArchiveFile {
  std::size_t comparison;
  std::string name;
};

// Thrown by the run's exits (a confirmed cancel, a refused destination, No after a failed
// copy) so that every one of them passes through the same end-of-run steps.
struct RunEnded {
  RunOutcome outcome;
};

struct CopyItem {
  std::string FileName;      // as listed, or upper-cased where the decision says so
  std::string stored_name;   // the name on disk when it differs from FileName
  std::uint32_t folder = 0;  // index into Run::source_folders_
  std::uint64_t size = 0;    // as listed
};

struct SourceFile {
  std::string name;
  std::uint64_t size;
  std::int64_t mtime;
};

// Whether source time a is later than the time b of a plain copy. Both are instants, so
// they are compared as instants at whole seconds: in the hour that daylight saving repeats,
// a later instant can have an earlier local text.
bool TimeIsLater(std::int64_t a, std::int64_t b) { return a > b; }

// The counterpart folder that decides for a source file, and its first file that counts.
struct Holder {
  const FolderIndex* index = nullptr;
  const FolderIndex::File* file = nullptr;
};

// Of the counterpart folders, newest first, the newest that holds a file of the source
// file's name decides; one that holds the exact name comes before one that holds the name
// only in another letter case, so that two files differing only in case are never taken
// for each other.
Holder NewestHolder(const std::vector<FolderIndex>& counterparts, const SourceKey& key) {
  Holder fallback;
  for (const FolderIndex& index : counterparts) {
    const FolderIndex::File* first = index.First(key.upper_name, key.name);
    if (first == nullptr) continue;
    if (key.name.empty() || index.NameOf(*first) == key.name) return Holder{&index, first};
    if (fallback.file == nullptr) fallback = Holder{&index, first};
  }
  return fallback;
}

std::string DropOneTrailingSeparator(std::string path) {
  if (!path.empty() && platform::IsSeparator(path.back())) path.pop_back();
  return path;
}

class Run {
 public:
  Run(RunHost& host, const RunOptions& options)
      : host_(host),
        options_(options),
        fs_(options.file_system ? *options.file_system : platform::FileSystem::Default()),
        separator_(1, platform::Separator()),
        case_sensitive_(platform::NamesAreCaseSensitive()) {}

  RunOutcome Execute() {
    RunOutcome outcome;
    try {
      Start();
      const int pairs = host_.PairCount();
      for (int p = 0; p < pairs; ++p) DoPair(p);
      outcome = Finish();
    } catch (const RunEnded& ended) {
      outcome = ended.outcome;
    } catch (const std::exception& error) {
      outcome = ReportUnexpected(error);
    }
    outcome = FlushCopies(outcome);
    PublishStats();
    // End of run, the same for every way out: unload the dialog, release the archive object.
    progress_.reset();
    archive_.reset();
    return outcome;
  }

 private:
  void Start() {
    CancelRequested = false;
    if (options_.make_archive) {
      archive_ = options_.make_archive();
    } else if (!options_.archive_library.empty()) {
      archive_ = MakeUnlhaArchive(options_.archive_library, host_);
    }
    if (archive_) archive_->SetOwnerWindow(static_cast<std::int32_t>(host_.WindowHandle()));

    if (DateFolderName.empty()) DateFolderName = TodayFolderName();
    destination_text_ = host_.DestinationText();
    std::string destination = destination_text_;
    if (destination.empty() || !platform::IsSeparator(destination.back())) {
      destination += separator_;
    }
    DestinationRoot = destination + DateFolderName;
    // Without a destination the date folder would land at the top of the file system. The
    // window and the terminal front end never start such a run; a caller that does is told.
    if (destination_text_.empty()) {
      host_.MsgBox("コピー先の指定が間違っています。", platform::kOkOnly | platform::kCritical,
                   "フォルダ指定エラー");
      throw RunEnded{RunOutcome::kDestinationRefused};
    }

    progress_ = host_.LoadProgress();
    progress_->SetCaption("対象ファイル検索中");
    progress_->SetLabel1Visible(true);
    progress_->SetLabel2Visible(true);
    progress_->SetLabel2("しばらくお待ちください・・・");
    progress_->SetProgressMin(0);
    progress_->SetProgressMax(1);
    progress_->SetProgressValue(0);
    progress_->SetCancelVisible(false);
    progress_->Show();
    host_.DoEvents();
  }

  void CancelCheck() {
    if (CancelConfirmed()) throw RunEnded{RunOutcome::kCancelled};
  }

  // The question of the cancel check: true when the run is to end. A request to end the
  // program needs no confirmation, also when it comes while the question is open.
  bool CancelConfirmed() {
    if (AbortRequested) return true;
    if (!CancelRequested) return false;
    int answer = host_.MsgBox("キャンセルして良いですか？",
                              platform::kYesNo | platform::kExclamation, "ｷｬﾝｾﾙ確認");
    if (answer == kAnswerYes || AbortRequested) return true;
    CancelRequested = false;
    return false;
  }

  // Asked between parts of a copy. A long copy lets window events run about ten times a
  // second, so that the dialog repaints and its cancel button can be pressed. Once a copy has
  // run for a quarter of a second, a cancel request is confirmed at once, through the cancel
  // check's own question: Yes abandons the copy (its temporary file goes) and ends the run,
  // No lets the copy go on. A shorter copy is finished first, and the check after it asks,
  // as for every item. A request to end the program abandons any copy at once.
  bool KeepCopying() {
    const auto now = Now();
    if (!AbortRequested && now - last_events_ >= kEventsEvery) {
      last_events_ = now;
      host_.DoEvents();
    }
    const bool may_ask = now - copy_started_ >= kCancelWithinCopyAfter;
    if (AbortRequested || (may_ask && CancelConfirmed())) {
      copy_cancelled_ = true;
      return false;
    }
    return true;
  }

  std::chrono::steady_clock::time_point Now() const {
    return options_.clock ? options_.clock() : std::chrono::steady_clock::now();
  }

  // The job's folder texts as the run uses them: upper-cased where names are not
  // case-sensitive (elsewhere that would name other folders), one trailing separator off.
  std::string JobFolder(std::string text) const {
    if (!case_sensitive_) text = platform::UpperCase(text);
    return DropOneTrailingSeparator(std::move(text));
  }

  void DoPair(int pair) {
    source_root_ = JobFolder(host_.SourceFolder(pair));
    comparisons_.clear();
    for (std::string& folder : host_.ComparisonFolders(pair)) {
      folder = JobFolder(std::move(folder));
      if (folder != kNoComparison) comparisons_.push_back(std::move(folder));
    }
    has_comparison_ = !comparisons_.empty();
    // The comparison side's archives are looked for while the source tree is walked.
    std::optional<FolderPrefetch<std::vector<ArchiveFile>>> archives;
    if (has_comparison_ && archive_ && host_.ReadArchives()) {
      archives.emplace([this](const std::string& folder) { return ArchivesFor(folder); }, SIZE_MAX);
    }
    auto found = [&](const std::string& folder) {
      if (archives) archives->Add(folder);
    };
    long n = 0;
    if (host_.IncludeSubfolders()) {
      n = ListSubfoldersDeep(source_root_, folders_, fs_, found);
    } else {
      folders_.assign(1, std::string());
    }
    folders_[static_cast<std::size_t>(n)] = source_root_;
    found(source_root_);
    if (archives) archives->Close();
    CataloguePhase(archives ? &*archives : nullptr);
    DecisionPhase();
  }

  // The files that end in ".LZH" in the counterpart folders of the source folder `folder`,
  // comparison folder by comparison folder, each in listing order. Only names are read:
  // sizes and times do not matter here.
  std::vector<ArchiveFile> ArchivesFor(const std::string& folder) {
    std::vector<ArchiveFile> found;
    for (std::size_t i = 0; i < comparisons_.size(); ++i) {
      fs_.List(Counterpart(comparisons_[i], folder) + separator_, platform::ListWhat::kFiles, false,
               [&](const platform::ListedEntry& entry) {
                 if (IsLzhName(entry.name))
                   found.push_back(ArchiveFile{i, std::string(entry.name)});
                 return true;
               });
    }
    return found;
  }

  // The folder below `comparison` that corresponds to the source folder `folder`.
  std::string Counterpart(const std::string& comparison, const std::string& folder) const {
    return comparison + folder.substr(std::min(source_root_.size(), folder.size()));
  }

  void CataloguePhase(FolderPrefetch<std::vector<ArchiveFile>>* archives) {
    for (const std::string& folder : folders_) {
      progress_->SetCancelVisible(true);
      progress_->Refresh();
      host_.DoEvents();
      CancelCheck();
      // Without an archive object, or with the option off when the pair began, no file of
      // the folder could be read.
      const std::vector<ArchiveFile> found =
          archives ? archives->Take() : std::vector<ArchiveFile>();
      auto next = found.begin();
      for (std::size_t i = 0; i < comparisons_.size(); ++i) {
        const std::string counterpart = Counterpart(comparisons_[i], folder);
        progress_->SetLabel1(FolderCaption(counterpart, separator_));
        progress_->Refresh();
        host_.DoEvents();
        for (; next != found.end() && next->comparison == i; ++next) {
          if (host_.ReadArchives()) ReadArchive(counterpart + separator_ + next->name, next->name);
        }
      }
    }
  }

  static bool IsLzhName(std::string_view name) {
    return name.size() >= 4 && platform::UpperCase(name.substr(name.size() - 4)) == ".LZH";
  }

  void ReadArchive(const std::string& path, const std::string& name) {
    if (!archive_->CheckArchive(path)) return;
    progress_->SetCancelVisible(false);  // the library cannot be interrupted while it reads
    progress_->SetLabel1(name + "読込中");
    progress_->Refresh();
    host_.DoEvents();

    std::int16_t count;
    try {
      count = archive_->SetArcFile(path);
    } catch (const platform::VbError& error) {
      host_.MsgBox("書庫を読み込めませんでした。\r" + path + "\r" + ArchiveFailureReason(error) +
                       "\r処理を中止します。",
                   platform::kOkOnly | platform::kExclamation, "書庫読込エラー");
      throw RunEnded{RunOutcome::kAborted};
    }
    if (count != 0) {
      progress_->SetLabel1(name + "展開中");
      progress_->SetProgressMax(count);
      progress_->SetCancelVisible(true);
      progress_->SetProgressVisible(true);
      progress_->Refresh();
      host_.DoEvents();
    }
    for (std::int16_t i = 0; i < count; ++i) {
      host_.DoEvents();
      progress_->SetProgressValue(i);
      ArchiveEntry entry;
      entry.FileDate = platform::UpperCase(archive_->FileDate(i));
      entry.FilePath = platform::UpperCase(archive_->FilePath(i));
      entry.stored_name = archive_->FileName(i);
      entry.FileName = platform::UpperCase(entry.stored_name);
      entry.FileOriginal = platform::UpperCase(archive_->FileOriginal(i));
      entry.FileTime = platform::UpperCase(archive_->FileTime(i));
      entry.instant = archive_->FileInstant(i);
      catalogue_.Append(std::move(entry));
      CancelCheck();
    }
    progress_->SetLabel1("");
    progress_->SetProgressVisible(false);
    progress_->Refresh();
    host_.DoEvents();
  }

  static std::string ArchiveFailureReason(const platform::VbError& error) {
    if (error.number() == platform::kOverflow) {
      return "格納ﾌｧｲﾙ数が 32,767 を超えています。";
    }
    return error.what();
  }

  void DecisionPhase() {
    const std::string short_suffix = " " + separator_ + " ";
    // The counterpart folders are read ahead on a second thread while the source folders
    // are read here; only a few wait at a time, so memory stays that of a few folders.
    std::optional<FolderPrefetch<std::vector<FolderIndex>>> prefetch;
    if (has_comparison_) {
      prefetch.emplace([this](const std::string& folder) { return CounterpartsOf(folder); },
                       std::max<std::size_t>(2, kCounterpartsAhead / comparisons_.size()));
      for (const std::string& folder : folders_) prefetch->Add(folder);
      prefetch->Close();
    }
    std::vector<SourceFile> files;
    std::vector<FolderIndex> counterparts;
    for (const std::string& folder : folders_) {
      progress_->SetLabel1(FolderCaption(folder, short_suffix));
      CancelCheck();
      progress_->Refresh();
      host_.DoEvents();

      files.clear();
      platform::Status status =
          fs_.List(folder + separator_, platform::ListWhat::kFiles, true,
                   [&](const platform::ListedEntry& entry) {
                     files.push_back(SourceFile{std::string(entry.name), entry.size, entry.mtime});
                     return true;
                   });
      // A counterpart is listed whether or not a file will need it: that is known only
      // afterwards, and listing it is free of effects.
      if (prefetch) counterparts = prefetch->Take();
      // The run goes on without the folder's files; the front end learns of it all the same.
      if (!status.ok()) {
        ++stats_.unreadable_folders;
        host_.Note(status.message());
      }
      if (files.empty()) continue;
      BeginFolder(folder);
      if (!has_comparison_) {
        for (SourceFile& file : files) Append(file.name, std::string(), file.size);
        continue;
      }
      DecideFolder(folder, files, counterparts);
    }
  }

  // The counterpart folders of the source folder `folder`, one per comparison folder.
  std::vector<FolderIndex> CounterpartsOf(const std::string& folder) {
    std::vector<FolderIndex> indexes;
    indexes.reserve(comparisons_.size());
    for (const std::string& comparison : comparisons_) {
      indexes.push_back(IndexOf(Counterpart(comparison, folder)));
    }
    return indexes;
  }

  // The plain files of a counterpart folder, indexed by upper-cased name.
  FolderIndex IndexOf(const std::string& folder) {
    FolderIndex index;
    fs_.List(folder + separator_, platform::ListWhat::kFiles, true,
             [&](const platform::ListedEntry& entry) {
               index.Add(entry.name, platform::UpperCase(entry.name), entry.size, entry.mtime);
               return true;
             });
    return index;
  }

  // Judges the files of one source folder against the catalogue and against the plain files
  // of its counterpart folders (one per comparison folder, newest first).
  void DecideFolder(const std::string& folder, const std::vector<SourceFile>& files,
                    const std::vector<FolderIndex>& counterparts) {
    // The folder as the catalogue's folder test sees it: no root name, upper-cased.
    const std::string catalogue_folder =
        platform::UpperCase(std::string_view(folder).substr(platform::RootNameLength(folder)));

    for (const SourceFile& file : files) {
      const std::string upper = platform::UpperCase(file.name);
      // Where names differ only in case they are different files, so the exact name is
      // preferred; elsewhere there is nothing to prefer.
      const SourceKey key{upper, case_sensitive_ ? std::string_view(file.name) : "", file.size,
                          file.mtime};
      ArchiveCatalogue::Answer answer;
      if (!catalogue_.empty()) {
        answer = catalogue_.Lookup(key, catalogue_folder, [&] { return host_.MatchFolders(); });
      }
      if (answer.SaysUnchanged) continue;
      const Holder holder = NewestHolder(counterparts, key);
      if (!answer.NameInCatalogue) {
        if (holder.file == nullptr) {
          Append(file.name, std::string(), file.size);
        } else if (holder.file->size != file.size || TimeIsLater(file.mtime, holder.file->mtime)) {
          Append(upper, file.name, file.size);
        }
      } else {
        bool changed = true;
        for (const FolderIndex::File* other = holder.file; other != nullptr;
             other = holder.index->Next(*other, key.name)) {
          if (other->size == file.size && !TimeIsLater(file.mtime, other->mtime)) changed = false;
        }
        if (changed) Append(upper, file.name, file.size);
      }
    }
  }

  void BeginFolder(const std::string& folder) {
    source_folders_.push_back(folder);
    folder_index_ = static_cast<std::uint32_t>(source_folders_.size() - 1);
  }

  // Appends an item named `file_name`; `stored_name` is the name on disk when it differs.
  void Append(const std::string& file_name, const std::string& stored_name, std::uint64_t size) {
    CopyItem item;
    item.FileName = file_name;
    if (stored_name != file_name) item.stored_name = stored_name;
    item.folder = folder_index_;
    item.size = size;
    copy_list_.push_back(std::move(item));
  }

  // The name that touches the disk: FileName itself, except where names are case-sensitive
  // and FileName is an upper-cased form of the stored name.
  const std::string& DiskName(const CopyItem& item) const {
    return case_sensitive_ && !item.stored_name.empty() ? item.stored_name : item.FileName;
  }

  std::string SourceFileOf(const CopyItem& item) const {
    return source_folders_[item.folder] + separator_ + DiskName(item);
  }

  // DestinationRoot followed by the source folder without its root name.
  std::string DestinationFolderOf(const CopyItem& item) const {
    const std::string& folder = source_folders_[item.folder];
    std::string_view rest = std::string_view(folder).substr(platform::RootNameLength(folder));
    std::string destination = DestinationRoot;
    if (!rest.empty() && !platform::IsSeparator(rest.front())) destination += separator_;
    destination.append(rest);
    return destination;
  }

  RunOutcome Finish() {
    if (copy_list_.empty()) {
      host_.MsgBox("コピー対象となるファイルはありません。",
                   platform::kOkOnly | platform::kInformation, "対象検索結果");
      return RunOutcome::kNothingToCopy;
    }
    if (options_.dry_run) {
      for (const CopyItem& item : copy_list_) {
        options_.dry_run(SourceFileOf(item),
                         DestinationFolderOf(item) + separator_ + DiskName(item));
      }
      return RunOutcome::kCompleted;
    }
    return CopyPhase();
  }

  RunOutcome CopyPhase() {
    const long copy_count = static_cast<long>(copy_list_.size());
    progress_->SetProgressValue(0);
    progress_->SetProgressMax(static_cast<double>(copy_count));
    progress_->SetCaption("対象ファイルコピー中・・・");
    long copied_count = 0;
    progress_->SetLabel1("");
    progress_->RefreshLabel1();
    progress_->SetLabel2("");
    progress_->RefreshLabel2();
    progress_->SetProgressVisible(true);
    progress_->SetCancelVisible(true);
    progress_->RefreshCancel();
    progress_->SetLabel1Visible(true);
    host_.DoEvents();
    std::string last_prepared_folder;
    for (const CopyItem& item : copy_list_) stats_.bytes_selected += item.size;
    // Everything below the destination text is written without following links.
    tree_ = fs_.OpenDestination(destination_text_);
    auto keep_copying = [this] { return KeepCopying(); };

    for (const CopyItem& item : copy_list_) {
      PublishStats();
      const std::string destination_folder = DestinationFolderOf(item);
      if (destination_folder != last_prepared_folder) {
        // A folder made below the date folder takes the permissions of the source folder it
        // stands for.
        const std::string& source_folder = source_folders_[item.folder];
        auto model = [&](std::string_view folder) {
          if (folder.size() <= DestinationRoot.size() || !folder.starts_with(DestinationRoot)) {
            return std::string();
          }
          return source_folder.substr(0, platform::RootNameLength(source_folder)) +
                 std::string(folder.substr(DestinationRoot.size()));
        };
        platform::Status detail;
        if (!PrepareDestination(destination_folder, host_, *tree_, model, &detail)) {
          if (!detail.ok()) host_.Note(detail.message());
          throw RunEnded{RunOutcome::kDestinationRefused};
        }
        last_prepared_folder = destination_folder;
      }
      progress_->SetProgressValue(static_cast<double>(copied_count));
      progress_->SetLabel1(std::to_string(copied_count) + "/" + std::to_string(copy_count));
      progress_->SetLabel2(item.FileName);
      host_.DoEvents();
      last_events_ = copy_started_ = Now();

      platform::Status detail;
      const long overwrite = 1;
      int result = CopyFileTo(SourceFileOf(item), destination_folder + separator_ + DiskName(item),
                              overwrite, *tree_, &detail, keep_copying, fs_);
      if (copy_cancelled_ || AbortRequested) throw RunEnded{RunOutcome::kCancelled};
      if (result == 0) {
        ++stats_.copied;
        stats_.bytes_copied += item.size;
        if (options_.copied) options_.copied(SourceFileOf(item), item.size);
      } else {
        ++stats_.failed;
        if (!detail.ok()) host_.Note(detail.message());
        // The message names the file as the dialog's second line does.
        int answer =
            host_.MsgBox("ファイルのコピーに失敗しました。\r" + source_folders_[item.folder] +
                             separator_ + item.FileName + "\r残りのファイルをコピーしますか？",
                         platform::kYesNo | platform::kQuestion, "コピーエラー");
        if (AbortRequested) throw RunEnded{RunOutcome::kCancelled};
        if (answer == kAnswerNo) throw RunEnded{RunOutcome::kStoppedAfterFailure};
      }
      CancelCheck();
      ++copied_count;
    }
    return stats_.failed == 0 ? RunOutcome::kCompleted : RunOutcome::kCompletedWithFailures;
  }

  void PublishStats() {
    if (!options_.stats) return;
    stats_.selected = static_cast<long>(copy_list_.size());
    *options_.stats = stats_;
  }

  // Copies are made durable once, at the end, whichever way the run ends: one flush of the
  // destination's file system costs a fraction of a flush per file.
  RunOutcome FlushCopies(RunOutcome outcome) {
    if (!tree_) return outcome;
    platform::Status status = tree_->Finish();
    // FAT and its kin hold no permissions or owners: worth knowing once, not per file.
    const platform::DestinationRefusals refused = tree_->refusals();
    if (refused.any()) {
      std::vector<std::string> kinds;
      if (refused.permissions) kinds.push_back("permission bits");
      if (refused.owners) kinds.push_back("owners");
      if (refused.times) kinds.push_back("modification times");
      std::string what = kinds[0];
      for (std::size_t i = 1; i < kinds.size(); ++i) {
        what += (i + 1 == kinds.size() ? " and " : ", ") + kinds[i];
      }
      host_.Note(DestinationRoot + ": the destination does not keep " + what +
                 "; the files were copied without them");
    }
    if (status.ok() || stats_.copied == 0) return outcome;
    host_.Note(status.message());
    host_.MsgBox("コピーしたファイルをディスクに書き込めませんでした。\r" + DestinationRoot,
                 platform::kOkOnly | platform::kExclamation, "コピーエラー");
    return outcome == RunOutcome::kCompleted ? RunOutcome::kCompletedWithFailures : outcome;
  }

  RunOutcome ReportUnexpected(const std::exception& error) {
    try {
      host_.MsgBox(std::string(kUnexpectedFailureText) + "\r" + error.what(),
                   platform::kOkOnly | platform::kCritical);
    } catch (...) {
      // The report itself failed; the run still ends normally.
    }
    return RunOutcome::kAborted;
  }

  RunHost& host_;
  const RunOptions& options_;
  platform::FileSystem& fs_;
  const std::string separator_;
  const bool case_sensitive_;

  std::unique_ptr<ArchiveObject> archive_;
  std::unique_ptr<ProgressView> progress_;
  std::string destination_text_;
  // The copy phase's writes, and its state between two parts of a copy.
  std::unique_ptr<platform::DestinationTree> tree_;
  std::chrono::steady_clock::time_point copy_started_, last_events_;
  bool copy_cancelled_ = false;
  ArchiveCatalogue catalogue_;
  std::vector<CopyItem> copy_list_;
  std::vector<std::string> source_folders_;
  std::uint32_t folder_index_ = 0;

  // The pair being searched.
  std::string source_root_;
  std::vector<std::string> comparisons_;  // newest first; empty when the pair has none
  bool has_comparison_ = false;
  std::vector<std::string> folders_;

  RunStats stats_;
};

}  // namespace

RunOutcome RunBackup(RunHost& host, const RunOptions& options) {
  static std::atomic<bool> running{false};
  if (running.exchange(true)) return RunOutcome::kAlreadyRunning;
  struct Release {
    ~Release() { running = false; }
  } release;
  return Run(host, options).Execute();
}

}  // namespace engine
