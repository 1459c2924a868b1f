#include "engine/restore_plan.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace engine {

RestorePlan PlanRestore(const std::vector<std::string>* listed,
                        const std::vector<std::vector<std::string>>& held) {
  // The newest holder of each path: the first day, walking newest first, that names it.
  std::unordered_map<std::string_view, std::size_t> newest;
  for (std::size_t day = 0; day < held.size(); ++day) {
    for (const std::string& path : held[day]) newest.try_emplace(path, day);
  }
  RestorePlan plan;
  if (listed != nullptr) {
    for (const std::string& path : *listed) {
      if (auto it = newest.find(path); it != newest.end()) {
        plan.files.push_back(RestoreChoice{path, it->second});
      } else {
        plan.missing.push_back(path);
      }
    }
  } else {
    for (const auto& [path, day] : newest)
      plan.files.push_back(RestoreChoice{std::string(path), day});
  }
  std::sort(plan.files.begin(), plan.files.end(),
            [](const RestoreChoice& a, const RestoreChoice& b) { return a.path < b.path; });
  // A record lists a path once; one that two sources share (one inside the other) once only.
  plan.files.erase(
      std::unique(plan.files.begin(), plan.files.end(),
                  [](const RestoreChoice& a, const RestoreChoice& b) { return a.path == b.path; }),
      plan.files.end());
  std::sort(plan.missing.begin(), plan.missing.end());
  plan.missing.erase(std::unique(plan.missing.begin(), plan.missing.end()), plan.missing.end());
  return plan;
}

}  // namespace engine
