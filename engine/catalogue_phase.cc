#include <string>
#include <vector>

#include "engine/run_context.h"
#include "engine/run_text.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace engine {
namespace {

std::string ArchiveFailureReason(const platform::VbError& error) {
  if (error.number() == platform::kOverflow) return "格納ﾌｧｲﾙ数が 32,767 を超えています。";
  return error.what();
}

void ReadArchive(RunContext& run, const std::string& path, const std::string& name) {
  ProgressView& progress = *run.progress;
  if (!run.archive->CheckArchive(path)) return;
  progress.SetCancelVisible(false);  // the library cannot be interrupted while it reads
  progress.SetLabel1(name + "読込中");
  progress.Refresh();
  run.host.DoEvents();

  std::int16_t count;
  try {
    count = run.archive->SetArcFile(path);
  } catch (const platform::VbError& error) {
    run.host.MsgBox("書庫を読み込めませんでした。\r" + path + "\r" + ArchiveFailureReason(error) +
                        "\r処理を中止します。",
                    platform::kOkOnly | platform::kExclamation, "書庫読込エラー");
    throw RunEnded{RunOutcome::kAborted};
  }
  if (count != 0) {
    progress.SetLabel1(name + "展開中");
    progress.SetProgressMax(count);
    progress.SetCancelVisible(true);
    progress.SetProgressVisible(true);
    progress.Refresh();
    run.host.DoEvents();
  }
  for (std::int16_t i = 0; i < count; ++i) {
    run.host.DoEvents();
    progress.SetProgressValue(i);
    ArchiveEntry entry;
    entry.FileDate = platform::UpperCase(run.archive->FileDate(i));
    entry.FilePath = platform::UpperCase(run.archive->FilePath(i));
    entry.stored_name = run.archive->FileName(i);
    entry.FileName = platform::UpperCase(entry.stored_name);
    entry.FileOriginal = platform::UpperCase(run.archive->FileOriginal(i));
    entry.FileTime = platform::UpperCase(run.archive->FileTime(i));
    entry.instant = run.archive->FileInstant(i);
    run.catalogue.Append(std::move(entry));
    run.CancelCheck();
  }
  progress.SetLabel1("");
  progress.SetProgressVisible(false);
  progress.Refresh();
  run.host.DoEvents();
}

}  // namespace

bool IsLzhName(std::string_view name) {
  return name.size() >= 4 && platform::UpperCase(name.substr(name.size() - 4)) == ".LZH";
}

// Only names are read: sizes and times do not matter here.
std::vector<ArchiveFile> ArchivesFor(RunContext& run, const PairState& pair,
                                     const std::string& folder) {
  std::vector<ArchiveFile> found;
  for (std::size_t i = 0; i < pair.comparisons.size(); ++i) {
    run.fs.List(pair.Counterpart(pair.comparisons[i], folder) + run.separator,
                platform::ListWhat::kFiles, false, [&](const platform::ListedEntry& entry) {
                  if (IsLzhName(entry.name))
                    found.push_back(ArchiveFile{i, std::string(entry.name)});
                  return true;
                });
  }
  return found;
}

void CataloguePhase(RunContext& run, const PairState& pair,
                    FolderPrefetch<std::vector<ArchiveFile>>* archives) {
  std::string folder;
  for (std::size_t index = 0; index < pair.folders.size(); ++index) {
    pair.folders.PathOf(index, folder);
    run.progress->SetCancelVisible(true);
    run.progress->Refresh();
    run.host.DoEvents();
    run.CancelCheck();
    // Without an archive object, or with the option off, no file of the folder is read.
    const std::vector<ArchiveFile> found = archives ? archives->Take() : std::vector<ArchiveFile>();
    auto next = found.begin();
    for (std::size_t i = 0; i < pair.comparisons.size(); ++i) {
      const std::string counterpart = pair.Counterpart(pair.comparisons[i], folder);
      run.progress->SetLabel1(FolderCaption(counterpart, run.separator));
      run.progress->Refresh();
      run.host.DoEvents();
      for (; next != found.end() && next->comparison == i; ++next) {
        ReadArchive(run, counterpart + run.separator + next->name, next->name);
      }
    }
  }
}

}  // namespace engine
