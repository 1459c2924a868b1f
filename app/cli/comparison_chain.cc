#include "app/cli/comparison_chain.h"

#include "engine/chain.h"
#include "platform/full_path.h"

namespace cli {

void ComparisonChain::AddOptions(CLI::App& app) {
  // Several --previous are consulted in the order given, so the newest comes first.
  app.add_option("--previous", previous_)
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_flag("--incremental", incremental_);
  app.add_flag("--archives-in-backups", archives_);
}

std::string ComparisonChain::Check(const CLI::App& app) const {
  // --archives-in-backups alone is the first run of a chain that will read them.
  if (!active()) return "";
  if (app.count("--compare") > 0) {
    return "--compare cannot be combined with --previous or --incremental";
  }
  if (!previous_.empty() && incremental_) {
    return "--previous and --incremental cannot be combined";
  }
  for (const std::string& folder : previous_) {
    if (folder.empty()) return "--previous needs a folder, not an empty value";
  }
  return "";
}

void ComparisonChain::Resolve(engine::Job& job, platform::FileSystem& fs,
                              std::vector<std::string>* notes) const {
  if (!active()) {
    // The first run of a chain that will read them: its record says so.
    job.archives_in_backups = archives_ && job.read_archives;
    return;
  }
  std::vector<std::string> date_folders;
  if (incremental_) {
    date_folders = engine::DateFoldersUpTo(fs, job.destination, job.date_folder);
    if (date_folders.empty()) {
      notes->push_back("no earlier backup under " + job.destination + ": every file is copied");
    }
  } else {
    for (const std::string& folder : previous_) {
      // As with --compare: a backup that is not there vouches for nothing, so everything is
      // copied, and the user hears of it.
      platform::EntryInfo info;
      if (!fs.Probe(folder, &info).ok() || info.kind != platform::EntryKind::kFolder) {
        notes->push_back("warning: comparison folder " + folder +
                         " does not exist; the files it would hold are copied");
      }
      date_folders.push_back(platform::FullPath(folder));
    }
  }
  job.read_archives = job.read_archives && archives_;
  job.archives_in_backups = job.read_archives;
  for (engine::FolderPair& pair : job.pairs) {
    pair.comparisons.clear();
    bool held = false;
    for (const std::string& date_folder : date_folders) {
      std::string member = engine::ChainMember(fs, date_folder, pair.source);
      if (member.empty()) {
        notes->push_back("a symbolic link in " + date_folder + " stands where " + pair.source +
                         " would be; that backup is not compared");
        continue;
      }
      platform::EntryInfo info;
      held = held || (fs.Probe(member, &info).ok() && info.kind == platform::EntryKind::kFolder);
      pair.comparisons.push_back(std::move(member));
    }
    // Most likely a date folder of another destination, or the destination itself.
    if (!held && !date_folders.empty()) {
      notes->push_back("warning: no earlier backup holds " + pair.source +
                       "; all its files are copied");
    }
  }
}

}  // namespace cli
