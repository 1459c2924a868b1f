#include "engine/restore_plan.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/catalogue.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {
namespace {

void Finish(RestorePlan* plan) {
  std::sort(plan->files.begin(), plan->files.end(),
            [](const RestoreChoice& a, const RestoreChoice& b) { return a.path < b.path; });
  // A record lists a path once; one that two sources share (one inside the other) once only.
  plan->files.erase(
      std::unique(plan->files.begin(), plan->files.end(),
                  [](const RestoreChoice& a, const RestoreChoice& b) { return a.path == b.path; }),
      plan->files.end());
  std::sort(plan->missing.begin(), plan->missing.end());
  plan->missing.erase(std::unique(plan->missing.begin(), plan->missing.end()), plan->missing.end());
}

// The newest holder of each path among plain copies: the first day, walking newest first,
// that names it, and the name it has there.
using Newest = std::unordered_map<std::string, std::pair<std::size_t, const std::string*>>;

Newest NewestPlain(const std::vector<std::vector<std::string>>& held, bool case_sensitive) {
  Newest newest;
  for (std::size_t day = 0; day < held.size(); ++day) {
    for (const std::string& path : held[day]) {
      newest.try_emplace(case_sensitive ? path : platform::UpperCase(path), day, &path);
    }
  }
  return newest;
}

// The members of one day by upper-cased name, in reading order.
using MembersByName = std::unordered_map<std::string, std::vector<std::size_t>>;

// The member of `members` that holds `file`, or kPlainCopy when none does.
std::size_t MemberHolding(const RecordedFile& file, const std::vector<HeldMember>& members,
                          const MembersByName& by_name,
                          const std::unordered_set<std::string>& listed, bool case_sensitive) {
  const std::size_t slash = file.path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : file.path.substr(0, slash + 1);
  const std::string name = file.path.substr(folder.size());
  auto it = by_name.find(platform::UpperCase(name));
  if (it == by_name.end()) return kPlainCopy;
  // The folder as the catalogue's folder test sees a source folder: no root name,
  // upper-cased, a separator at its end; a file of the root has the separator alone.
  std::string folder_path(1, platform::Separator());
  if (!folder.empty()) {
    folder_path = platform::UpperCase(std::string(1, platform::Separator()) +
                                      PlatformPath(folder.substr(0, folder.size() - 1))) +
                  platform::Separator();
  }
  std::vector<std::size_t> passing;
  bool exact_seen = false;
  for (std::size_t index : it->second) {
    const HeldMember& member = members[index];
    if (!StoredFolderPasses(member.folder, folder_path)) continue;
    const bool exact = case_sensitive && member.name == name;
    // Only where names tell case apart can another file of the folder own this member.
    if (case_sensitive && !exact && listed.contains(folder + member.name)) continue;
    if (exact && !exact_seen) passing.clear();
    exact_seen = exact_seen || exact;
    if (exact || !exact_seen) passing.push_back(index);
  }
  std::size_t best = kPlainCopy;
  std::uint64_t best_distance = std::numeric_limits<std::uint64_t>::max();
  for (std::size_t index : passing) {
    const HeldMember& member = members[index];
    // As for the runs' catalogue: a member dated before the file is an older file.
    if (member.size != file.size || (member.time && *member.time < file.mtime)) continue;
    const std::uint64_t distance =
        member.time
            ? static_cast<std::uint64_t>(*member.time > file.mtime ? *member.time - file.mtime
                                                                   : file.mtime - *member.time)
            : std::numeric_limits<std::uint64_t>::max() - 1;
    if (best == kPlainCopy || distance < best_distance) {
      best = index;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace

RestorePlan PlanRestore(const std::vector<std::string>* listed,
                        const std::vector<std::vector<std::string>>& held, bool case_sensitive) {
  const Newest newest = NewestPlain(held, case_sensitive);
  RestorePlan plan;
  if (listed != nullptr) {
    for (const std::string& path : *listed) {
      auto it = newest.find(case_sensitive ? path : platform::UpperCase(path));
      if (it != newest.end()) {
        plan.files.push_back(RestoreChoice{path, it->second.first});
      } else {
        plan.missing.push_back(path);
      }
    }
  } else {
    for (const auto& entry : newest) {
      plan.files.push_back(RestoreChoice{*entry.second.second, entry.second.first});
    }
  }
  Finish(&plan);
  return plan;
}

RestorePlan PlanRestore(const std::vector<RecordedFile>& listed,
                        const std::vector<std::vector<std::string>>& held,
                        const std::vector<std::vector<HeldMember>>& members, bool case_sensitive) {
  const Newest newest = NewestPlain(held, case_sensitive);
  std::vector<MembersByName> by_name(members.size());
  for (std::size_t day = 0; day < members.size(); ++day) {
    for (std::size_t i = 0; i < members[day].size(); ++i) {
      by_name[day][platform::UpperCase(members[day][i].name)].push_back(i);
    }
  }
  std::unordered_set<std::string> paths;
  if (case_sensitive) {
    for (const RecordedFile& file : listed) paths.insert(file.path);
  }
  RestorePlan plan;
  for (const RecordedFile& file : listed) {
    auto it = newest.find(case_sensitive ? file.path : platform::UpperCase(file.path));
    const std::size_t plain_day = it == newest.end() ? kPlainCopy : it->second.first;
    // Members count in the days newer than the newest plain copy; in the copy's own day the
    // run wrote the copy, and an archive there is a packing of it.
    bool found = false;
    for (std::size_t day = 0; day < std::min(plain_day, members.size()) && !found; ++day) {
      const std::size_t member =
          MemberHolding(file, members[day], by_name[day], paths, case_sensitive);
      if (member != kPlainCopy) {
        plan.files.push_back(RestoreChoice{file.path, day, member});
        found = true;
      }
    }
    if (found) continue;
    if (plain_day != kPlainCopy) {
      plan.files.push_back(RestoreChoice{file.path, plain_day});
    } else {
      plan.missing.push_back(file.path);
    }
  }
  Finish(&plan);
  return plan;
}

}  // namespace engine
