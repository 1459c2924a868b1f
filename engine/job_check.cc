#include "engine/job_check.h"

#include <vector>

#include "platform/path_rules.h"

namespace engine {
namespace {

// A folder of the job and every folder above it, each identified.
struct Lineage {
  std::string text;
  std::vector<platform::FileIdentity> chain;  // the folder itself first, then its parents

  bool Exists() const { return !chain.empty() && chain.front().exists; }
  bool Has(const platform::FileIdentity& folder) const {
    for (const platform::FileIdentity& identity : chain) {
      if (identity.SameAs(folder)) return true;
    }
    return false;
  }
};

Lineage LineageOf(platform::FileSystem& fs, const std::string& folder) {
  Lineage lineage;
  lineage.text = folder;
  platform::FileIdentity identity;
  if (!fs.Identify(folder, &identity).ok() || !identity.exists) return lineage;
  std::string path = identity.real_path;
  lineage.chain.push_back(identity);
  const std::size_t root = platform::RootNameLength(path) + 1;
  while (path.size() > root) {
    std::size_t cut = path.size() - 1;
    while (cut > 0 && !platform::IsSeparator(path[cut])) --cut;
    path.resize(std::max(cut, root));
    platform::FileIdentity parent;
    if (!fs.Identify(path, &parent).ok() || !parent.exists) break;
    lineage.chain.push_back(parent);
  }
  return lineage;
}

}  // namespace

std::string JobProblem(const Job& job, platform::FileSystem& fs) {
  std::vector<Lineage> sources;
  for (const FolderPair& pair : job.pairs) {
    Lineage source = LineageOf(fs, pair.source);
    for (const Lineage& earlier : sources) {
      if (source.Exists() && earlier.Exists() &&
          earlier.chain.front().SameAs(source.chain.front())) {
        return "the source folder " + pair.source + " is given twice" +
               (earlier.text == pair.source ? "" : " (as " + earlier.text + ")");
      }
    }
    sources.push_back(std::move(source));
  }
  const Lineage destination = LineageOf(fs, job.destination);
  for (const FolderPair& pair : job.pairs) {
    for (const std::string& folder : pair.comparisons) {
      const Lineage comparison = LineageOf(fs, folder);
      if (!comparison.Exists()) continue;  // nothing there to mistake for a backup
      for (const Lineage& source : sources) {
        if (!source.Exists()) continue;
        const platform::FileIdentity& here = source.chain.front();
        if (comparison.chain.front().SameAs(here)) {
          return "the comparison folder " + folder + " is the source folder " + source.text +
                 " itself: every file would count as its own backup";
        }
        if (source.Has(comparison.chain.front())) {
          return "the comparison folder " + folder + " holds the source folder " + source.text +
                 ": its files would count as their own backup";
        }
        const bool in_destination = destination.Exists() &&
                                    comparison.Has(destination.chain.front()) &&
                                    destination.Has(here);
        if (comparison.Has(here) && !in_destination) {
          return "the comparison folder " + folder + " lies inside the source folder " +
                 source.text;
        }
      }
    }
  }
  return std::string();
}

}  // namespace engine
