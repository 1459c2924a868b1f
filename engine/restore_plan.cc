#include "engine/restore_plan.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/text.h"

namespace engine {

RestorePlan PlanRestore(const std::vector<std::string>* listed,
                        const std::vector<std::vector<std::string>>& held, bool case_sensitive) {
  auto key = [case_sensitive](const std::string& path) {
    return case_sensitive ? path : platform::UpperCase(path);
  };
  // The newest holder of each path: the first day, walking newest first, that names it,
  // and the name it has there.
  std::unordered_map<std::string, std::pair<std::size_t, const std::string*>> newest;
  for (std::size_t day = 0; day < held.size(); ++day) {
    for (const std::string& path : held[day]) newest.try_emplace(key(path), day, &path);
  }
  RestorePlan plan;
  if (listed != nullptr) {
    for (const std::string& path : *listed) {
      if (auto it = newest.find(key(path)); it != newest.end()) {
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
