#include "app/cli/folder_checks.h"

#include <string_view>
#include <unordered_set>

#include "app/cli/terminal_text.h"
#include "engine/catalogue.h"
#include "platform/path_rules.h"
#include "platform/text.h"
#include "platform/volumes.h"

namespace cli {
namespace {

platform::EntryKind KindOf(platform::FileSystem& fs, const std::string& path,
                           platform::Status* status) {
  platform::EntryInfo info;
  *status = fs.Probe(path, &info);
  return info.kind;
}

std::string Folder(const std::string& path) {
  return path.empty() || platform::IsSeparator(path.back()) ? path : path + platform::Separator();
}

}  // namespace

bool SharesNoName(platform::FileSystem& fs, const std::string& source,
                  const std::string& comparison, bool archives) {
  std::unordered_set<std::string> names;
  fs.List(Folder(source), platform::ListWhat::kFilesAndFolders, false,
          [&](const platform::ListedEntry& entry) {
            names.insert(platform::UpperCase(entry.name));
            return true;
          });
  if (names.empty()) return false;
  bool any = false, shared = false;
  fs.List(Folder(comparison), platform::ListWhat::kFilesAndFolders, false,
          [&](const platform::ListedEntry& entry) {
            any = true;
            shared = names.count(platform::UpperCase(entry.name)) > 0 ||
                     (archives && !entry.is_folder && engine::IsLzhName(entry.name));
            return !shared;
          });
  return any && !shared;
}

void WarnAboutFolders(const engine::Job& job, bool chained, platform::FileSystem& fs,
                      std::FILE* out) {
  auto usable = [&](const std::string& folder, const char* role) {
    platform::Status status;
    platform::EntryKind kind = KindOf(fs, folder, &status);
    if (!status.ok()) {
      std::fprintf(out, "grebewick-cli: warning: %s folder %s: %s\n", role,
                   Printable(folder).c_str(), Printable(status.message()).c_str());
    } else if (kind != platform::EntryKind::kFolder) {
      std::fprintf(out, "grebewick-cli: warning: %s folder %s %s\n", role,
                   Printable(folder).c_str(),
                   kind == platform::EntryKind::kMissing ? "does not exist" : "is not a folder");
    }
    return status.ok() && kind == platform::EntryKind::kFolder;
  };
  for (const engine::FolderPair& pair : job.pairs) {
    const bool source_usable = usable(pair.source, "source");
    if (chained || pair.comparisons.size() != 1) continue;
    const std::string& comparison = pair.comparisons.front();
    if (!usable(comparison, "comparison")) continue;
    if (!source_usable || !SharesNoName(fs, pair.source, comparison, job.read_archives)) {
      continue;
    }
    std::fprintf(out,
                 "grebewick-cli: warning: comparison folder %s shares no file or folder name "
                 "with source folder %s: is it the right folder?\n",
                 Printable(comparison).c_str(), Printable(pair.source).c_str());
    const std::string copy = engine::BelowDateFolder(comparison, pair.source);
    platform::Status status;
    if (KindOf(fs, copy, &status) == platform::EntryKind::kFolder) {
      std::fprintf(out,
                   "grebewick-cli: note: the source's copy in that backup is %s (--previous %s "
                   "compares every source with its copy there)\n",
                   Printable(copy).c_str(), Printable(comparison).c_str());
    }
  }
}

std::string MissingDestination(platform::FileSystem& fs, const std::string& destination,
                               bool make_path) {
  // --mkpath makes folders on a medium, never the medium's mount point on the system's disk.
  if (platform::Status status = platform::CheckMediumMounted(destination); !status.ok()) {
    return "the destination folder " + Printable(destination) +
           " is on no mounted medium: " + Printable(status.message());
  }
  // Shapes the run refuses get the run's own message (Windows: "\\server\share", "\x").
  if (make_path || platform::IsNetworkPath(destination) || platform::IsRootlessPath(destination)) {
    return std::string();
  }
  platform::Status status;
  if (KindOf(fs, destination, &status) != platform::EntryKind::kMissing || !status.ok()) {
    return std::string();
  }
  return "the destination folder " + Printable(destination) +
         " does not exist (is the medium mounted?); --mkpath creates it";
}

}  // namespace cli
