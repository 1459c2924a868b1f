#include <optional>
#include <string>
#include <vector>

#include "engine/decision.h"
#include "engine/run_context.h"
#include "engine/run_text.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {
namespace {

// How many counterpart folders may be read ahead of the decisions.
constexpr std::size_t kCounterpartsAhead = 32;

// Lists a folder of the job's, hidden entries too where the job wants them; hidden ones
// left out are counted for the source side. Files the job's patterns leave out (by their
// path `below` the source folder, the same for a source folder and its counterparts) are
// not listed.
platform::Status ListJobFolder(RunContext& run, const std::string& folder, const std::string& below,
                               bool want_stat, long* hidden_left_out,
                               platform::FunctionRef<bool(const platform::ListedEntry&)> listed) {
  auto visit = [&](const platform::ListedEntry& entry) {
    if (!run.job.exclude.empty() &&
        run.job.exclude.Excludes(PathOfEntry(below, entry.name), false)) {
      return true;
    }
    return listed(entry);
  };
  if (!run.job.include_hidden && hidden_left_out == nullptr) {
    return run.fs.List(folder, platform::ListWhat::kFiles, want_stat, visit);
  }
  return run.fs.ListIncludingHidden(folder, platform::ListWhat::kFiles, want_stat,
                                    [&](const platform::ListedEntry& entry) {
                                      if (entry.hidden && !run.job.include_hidden) {
                                        ++*hidden_left_out;
                                        return true;
                                      }
                                      return visit(entry);
                                    });
}

// The plain files of a counterpart folder, indexed by upper-cased name.
FolderIndex IndexOf(RunContext& run, const std::string& folder, const std::string& below) {
  FolderIndex index;
  ListJobFolder(run, folder + run.separator, below, true, nullptr,
                [&](const platform::ListedEntry& e) {
                  index.Add(e.name, platform::UpperCase(e.name), e.size, e.mtime);
                  return true;
                });
  return index;
}

// The counterpart folders of the source folder `folder`, one per comparison folder.
std::vector<FolderIndex> CounterpartsOf(RunContext& run, const PairState& pair,
                                        const std::string& folder) {
  std::vector<FolderIndex> indexes;
  indexes.reserve(pair.comparisons.size());
  const std::string below = pair.Below(folder);
  for (const std::string& comparison : pair.comparisons) {
    indexes.push_back(IndexOf(run, pair.Counterpart(comparison, folder), below));
  }
  return indexes;
}

// Appends an item of the folder `folder` of the pair being searched, named `file_name`;
// `stored_name` is the name on disk when it differs. The pair's folders join source_trees
// once it has been searched, so its index is the next one there.
void Append(RunContext& run, std::size_t folder, const std::string& file_name,
            const std::string& stored_name, std::uint64_t size) {
  CopyItem item;
  item.pair = static_cast<std::uint32_t>(run.source_trees.size());
  item.FileName = file_name;
  if (stored_name != file_name) item.stored_name = stored_name;
  item.folder = static_cast<std::uint32_t>(folder);
  item.size = size;
  run.copy_list.push_back(std::move(item));
}

// Judges the files of one source folder against the catalogue and against the plain files
// of its counterpart folders (one per comparison folder, newest first).
void DecideFolder(RunContext& run, std::size_t index, const std::string& folder,
                  const std::vector<SourceFile>& files,
                  const std::vector<FolderIndex>& counterparts) {
  // The folder as the catalogue's folder test sees it: no root name, upper-cased.
  const std::string catalogue_folder =
      platform::UpperCase(std::string_view(folder).substr(platform::RootNameLength(folder)));
  const FolderNames siblings(files);
  for (const SourceFile& file : files) {
    const std::string upper = platform::UpperCase(file.name);
    const Decision decision = Decide(file, upper, run.catalogue, catalogue_folder,
                                     run.job.match_folders, counterparts, siblings, run.decision);
    if (decision.distrusted) ++run.distrusted;
    switch (decision.verdict) {
      case Verdict::kSkip:
        break;
      case Verdict::kCopy:
        Append(run, index, file.name, std::string(), file.size);
        break;
      case Verdict::kCopyUpperCased:
        Append(run, index, upper, file.name, file.size);
        break;
    }
  }
}

// Every file of the source, copied or not, so that a restore knows what existed that day.
void Record(RunContext& run, const std::string& folder, const std::vector<SourceFile>& files) {
  for (const SourceFile& file : files) {
    run.files.Add(RecordPathOf(folder, file.name), file.size, file.mtime);
  }
}

}  // namespace

void DecisionPhase(RunContext& run, const PairState& pair) {
  if (run.options.write_records) {
    run.files.BeginSource(RecordPath(BelowDateFolder("", pair.source_root)));
  }
  const bool has_comparison = !pair.comparisons.empty();
  const std::string short_suffix = " " + run.separator + " ";
  // The counterpart folders are read ahead on a second thread while the source folders
  // are read here; only a few wait at a time, so memory stays that of a few folders.
  std::optional<FolderPrefetch<std::vector<FolderIndex>>> prefetch;
  if (has_comparison) {
    prefetch.emplace(
        [&run, &pair](const std::string& folder) { return CounterpartsOf(run, pair, folder); },
        std::max<std::size_t>(2, kCounterpartsAhead / pair.comparisons.size()));
  }
  // Folders are handed to the read-ahead a little ahead of the search, so that it never
  // holds the whole tree's paths.
  const std::size_t window = 2 * kCounterpartsAhead + 32;
  std::size_t added = 0;
  std::string folder;
  std::vector<SourceFile> files;
  std::vector<FolderIndex> counterparts;
  for (std::size_t index = 0; index < pair.folders.size(); ++index) {
    if (prefetch && added < pair.folders.size()) {
      for (; added < pair.folders.size() && added < index + window; ++added) {
        prefetch->Add(pair.folders.PathOf(added));
      }
      if (added == pair.folders.size()) prefetch->Close();
    }
    pair.folders.PathOf(index, folder);
    run.progress->SetLabel1(FolderCaption(folder, short_suffix));
    run.CancelCheck();
    run.progress->Refresh();
    run.host.DoEvents();

    files.clear();
    platform::Status status = ListJobFolder(
        run, folder + run.separator, pair.Below(folder), true, &run.hidden_left_out,
        [&](const platform::ListedEntry& entry) {
          files.push_back(SourceFile{std::string(entry.name), entry.size, entry.mtime});
          return true;
        });
    // A counterpart is listed whether or not a file will need it: that is known only
    // afterwards, and listing it is free of effects.
    if (prefetch) counterparts = prefetch->Take();
    // The run goes on without the folder's files; the front end learns of it all the same.
    if (!status.ok()) {
      ++run.stats.unreadable_folders;
      run.host.Error(status.message());
    }
    if (run.options.write_records) Record(run, folder, files);
    if (files.empty()) continue;
    if (!has_comparison) {
      for (const SourceFile& file : files) Append(run, index, file.name, std::string(), file.size);
    } else {
      DecideFolder(run, index, folder, files, counterparts);
    }
  }
}

}  // namespace engine
