#include "app/cli/folder_checks.h"

#include <string_view>
#include <unordered_set>

#include "app/cli/messages.h"
#include "app/cli/terminal_text.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace cli {
namespace {

constexpr char kNoComparison[] = "なし";

bool IsLzhName(std::string_view name) {
  return name.size() >= 4 && platform::UpperCase(name.substr(name.size() - 4)) == ".LZH";
}

platform::EntryKind KindOf(platform::FileSystem& fs, const std::string& path,
                           platform::Status* status) {
  platform::EntryInfo info;
  *status = fs.Probe(path, &info);
  return info.kind;
}

std::string Folder(const std::string& path) {
  return path.empty() || platform::IsSeparator(path.back()) ? path : path + platform::Separator();
}

// Where a copy of `source` stands below the date folder `comparison`.
std::string CopyBelow(const std::string& comparison, const std::string& source) {
  std::string_view rest = std::string_view(source).substr(platform::RootNameLength(source));
  while (!rest.empty() && platform::IsSeparator(rest.front())) rest.remove_prefix(1);
  return Folder(comparison) + std::string(rest);
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
                     (archives && !entry.is_folder && IsLzhName(entry.name));
            return !shared;
          });
  return any && !shared;
}

void WarnAboutFolders(const Job& job, platform::FileSystem& fs, std::FILE* out) {
  auto warn = [out](const char* text, std::initializer_list<std::string_view> values) {
    std::fprintf(out, "grebewick-cli: %s\n", Substitute(text, values).c_str());
  };
  auto usable = [&](const std::string& folder, bool source) {
    platform::Status status;
    platform::EntryKind kind = KindOf(fs, folder, &status);
    const std::string shown = Printable(folder);
    if (!status.ok()) {
      warn(source ? Tr("warning: source folder %s: %s") : Tr("warning: comparison folder %s: %s"),
           {shown, Printable(status.message())});
    } else if (kind == platform::EntryKind::kMissing) {
      warn(source ? Tr("warning: source folder %s does not exist")
                  : Tr("warning: comparison folder %s does not exist"),
           {shown});
    } else if (kind != platform::EntryKind::kFolder) {
      warn(source ? Tr("warning: source folder %s is not a folder")
                  : Tr("warning: comparison folder %s is not a folder"),
           {shown});
    }
    return status.ok() && kind == platform::EntryKind::kFolder;
  };
  for (const FolderPair& pair : job.pairs) {
    const bool source_usable = usable(pair.source, true);
    if (pair.comparison == kNoComparison || !usable(pair.comparison, false)) continue;
    if (!source_usable || !SharesNoName(fs, pair.source, pair.comparison, job.read_archives)) {
      continue;
    }
    warn(Tr("warning: comparison folder %s shares no file or folder name with source folder %s: "
            "is it the right folder?"),
         {Printable(pair.comparison), Printable(pair.source)});
    const std::string copy = CopyBelow(pair.comparison, pair.source);
    platform::Status status;
    if (KindOf(fs, copy, &status) == platform::EntryKind::kFolder) {
      warn(Tr("note: the source's copy in that backup is %s (--previous %s compares every "
              "source with its copy there)"),
           {Printable(copy), Printable(pair.comparison)});
    }
  }
}

std::string MissingDestination(platform::FileSystem& fs, const std::string& destination,
                               bool make_path) {
  // Shapes the run refuses get the run's own message (Windows: "\\server\share", "\x").
  if (make_path || platform::IsNetworkPath(destination) || platform::IsRootlessPath(destination)) {
    return std::string();
  }
  platform::Status status;
  if (KindOf(fs, destination, &status) != platform::EntryKind::kMissing || !status.ok()) {
    return std::string();
  }
  return Substitute(
      Tr("the destination folder %s does not exist (is the medium mounted?); --mkpath creates it"),
      {Printable(destination)});
}

}  // namespace cli
