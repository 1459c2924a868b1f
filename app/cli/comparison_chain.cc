#include "app/cli/comparison_chain.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "app/cli/messages.h"
#include "app/cli/terminal_text.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"

namespace cli {
namespace {

bool IsFolder(const std::string& path) {
  platform::EntryInfo info;
  return platform::FileSystem::Default().Probe(path, &info).ok() &&
         info.kind == platform::EntryKind::kFolder;
}

// `folder` joined to `name` with one separator between them.
std::string Join(std::string folder, const std::string& name) {
  if (folder.empty() || !platform::IsSeparator(folder.back())) folder += platform::Separator();
  return folder + name;
}

// Where the run puts `source` below the date folder `date_folder`: the date folder followed
// by the source's path without its root name.
std::string MappedBelow(const std::string& date_folder, const std::string& source) {
  std::string_view rest = std::string_view(source).substr(platform::RootNameLength(source));
  std::string mapped = date_folder;
  if (!rest.empty() && !platform::IsSeparator(rest.front())) mapped += platform::Separator();
  mapped.append(rest);
  return mapped;
}

std::string AbsoluteFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
  std::string text = error ? path : absolute.string();
  while (text.size() > 1 && platform::IsSeparator(text.back())) text.pop_back();
  return text;
}

// "yyyymmdd" with a month and day that can exist.
bool IsDateFolderName(std::string_view name) {
  if (name.size() != 8 || name.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  int month = (name[4] - '0') * 10 + (name[5] - '0');
  int day = (name[6] - '0') * 10 + (name[7] - '0');
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// The date folders under `destination` older than `run_date`, newest first.
std::vector<std::string> EarlierDateFolders(const std::string& destination,
                                            const std::string& run_date) {
  std::vector<std::string> names;
  platform::FileSystem::Default().List(
      Join(destination, ""), platform::ListWhat::kFolders, false,
      [&](const platform::ListedEntry& entry) {
        if (IsDateFolderName(entry.name) && entry.name < run_date) {
          names.emplace_back(entry.name);
        }
        return true;
      });
  std::sort(names.begin(), names.end(), std::greater<>());
  std::vector<std::string> folders;
  for (const std::string& name : names) folders.push_back(Join(destination, name));
  return folders;
}

}  // namespace

void ComparisonChain::AddOptions(CLI::App& app) {
  // Several --previous are consulted in the order given, so the newest comes first.
  app.add_option("--previous", previous_)
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_flag("--incremental", incremental_);
}

std::string ComparisonChain::Check(const CLI::App& app) const {
  if (!active()) return "";
  if (app.count("--compare") > 0) {
    return Tr("--compare cannot be combined with --previous or --incremental");
  }
  if (!previous_.empty() && incremental_) {
    return Tr("--previous and --incremental cannot be combined");
  }
  for (const std::string& folder : previous_) {
    if (!IsFolder(folder)) return Substitute(Tr("--previous %s: no such folder"), {folder});
  }
  return "";
}

void ComparisonChain::Resolve(const Job& job, const std::string& run_date, bool quiet) {
  if (!active()) return;
  std::vector<std::string> date_folders;
  if (incremental_) {
    date_folders = EarlierDateFolders(job.destination, run_date);
    if (date_folders.empty() && !quiet) {
      std::fprintf(stderr, "grebewick-cli: %s\n",
                   Substitute(Tr("no earlier backup under %s: every file is copied"),
                              {Printable(job.destination)})
                       .c_str());
    }
  } else {
    for (const std::string& folder : previous_) date_folders.push_back(AbsoluteFolder(folder));
  }
  chains_.clear();
  for (const FolderPair& pair : job.pairs) {
    std::vector<std::string>& chain = chains_.emplace_back();
    bool held = false;
    for (const std::string& date_folder : date_folders) {
      chain.push_back(MappedBelow(date_folder, pair.source));
      held = held || IsFolder(chain.back());
    }
    // Most likely a date folder of another destination, or the destination itself.
    if (!held && !date_folders.empty() && !quiet) {
      std::fprintf(stderr, "grebewick-cli: %s\n",
                   Substitute(Tr("warning: no earlier backup holds %s; all its files are copied"),
                              {Printable(pair.source)})
                       .c_str());
    }
  }
}

}  // namespace cli
