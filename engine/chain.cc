#include "engine/chain.h"

#include <algorithm>
#include <functional>

#include "engine/job.h"
#include "platform/path_rules.h"

namespace engine {

std::vector<std::string> DateFoldersUpTo(platform::FileSystem& fs, const std::string& destination,
                                         std::string_view last_date) {
  std::string folder = destination;
  if (folder.empty() || !platform::IsSeparator(folder.back())) folder += platform::Separator();
  std::vector<std::string> names;
  fs.List(folder, platform::ListWhat::kFolders, false, [&](const platform::ListedEntry& entry) {
    if (IsDateFolderName(entry.name) && entry.name <= last_date) names.emplace_back(entry.name);
    return true;
  });
  std::sort(names.begin(), names.end(), std::greater<>());
  for (std::string& name : names) name.insert(0, folder);
  return names;
}

std::string ChainMember(platform::FileSystem& fs, const std::string& date_folder,
                        const std::string& source) {
  const std::string member = BelowDateFolder(date_folder, source);
  // Every folder on the way below the date folder, the member itself included.
  for (std::size_t at = date_folder.size(); at < member.size();) {
    std::size_t end = at + 1;
    while (end < member.size() && !platform::IsSeparator(member[end])) ++end;
    platform::FileIdentity identity;
    if (!fs.Identify(member.substr(0, end), &identity).ok()) return member;
    if (!identity.exists) return member;  // nothing below: the backup does not hold it
    if (identity.is_link) return std::string();
    at = end;
  }
  return member;
}

}  // namespace engine
