#include "engine/com_file_ex.h"

#include "engine/run_text.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {
namespace {

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && platform::IsSeparator(path.back());
}

void AddSeparator(std::string& path) {
  if (!EndsWithSeparator(path)) path.push_back(platform::Separator());
}

// Position just past the root part of `path`: past the root name and one separator after
// it ("C:\" on Windows, a leading "/" on POSIX).
std::size_t PastRoot(std::string_view path) {
  std::size_t p = platform::RootNameLength(path);
  if (p < path.size() && platform::IsSeparator(path[p])) ++p;
  return p;
}

std::size_t FindSeparator(std::string_view path, std::size_t from) {
  for (std::size_t i = from; i < path.size(); ++i) {
    if (platform::IsSeparator(path[i])) return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string FormatSize(std::uint64_t size, bool group_thousands) {
  std::string digits = std::to_string(size);
  if (!group_thousands) return digits;
  std::string text;
  text.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

std::string FormatTime(std::int64_t unix_seconds, std::string_view year_pattern) {
  std::string text(TimeText(unix_seconds).view());
  // A two-digit year pattern keeps the last two digits of the four.
  if (year_pattern == "yy" && text.size() > 2) text.erase(0, 2);
  return text;
}

int ListFiles(std::string folder, std::string_view pattern, long& count,
              std::vector<std::string>& records, int attributes, bool formatSizes,
              std::string_view yearPattern, platform::FileSystem& fs) {
  count = 0;
  AddSeparator(folder);
  platform::ListWhat what = (attributes & kDirectoryAttribute)
                                ? platform::ListWhat::kFilesAndFolders
                                : platform::ListWhat::kFiles;
  platform::Status status = fs.List(folder, what, true, [&](const platform::ListedEntry& entry) {
    if (!platform::MatchesWildcard(entry.name, pattern)) return true;
    if (count % 64 == 0 && records.size() < static_cast<std::size_t>(count) + 65) {
      records.resize(static_cast<std::size_t>(count) + 65);
    }
    std::string& record = records[static_cast<std::size_t>(count)];
    record.assign(entry.name);
    record.push_back('\t');
    record.append(FormatSize(entry.size, formatSizes));
    record.push_back('\t');
    record.append(FormatTime(entry.mtime, yearPattern));
    ++count;
    return true;
  });
  return status.IsNotFound() ? 0 : status.code();
}

int ListFolder(std::string folder, long mode, std::vector<std::string>& names, long& count,
               platform::FileSystem& fs) {
  count = 0;
  names.assign(1, std::string());
  AddSeparator(folder);
  platform::ListWhat what = !(mode & 2) ? platform::ListWhat::kFiles
                            : mode == 2 ? platform::ListWhat::kFolders
                                        : platform::ListWhat::kFilesAndFolders;
  std::vector<std::string> found;
  platform::Status status = fs.List(folder, what, false, [&](const platform::ListedEntry& entry) {
    found.push_back(folder + std::string(entry.name));
    return true;
  });
  // Whatever could be listed is handed over even when one entry failed: dropping the whole
  // folder's subfolders would silently leave their files out of the backup.
  count = static_cast<long>(found.size());
  found.emplace_back();
  names = std::move(found);
  return status.IsNotFound() ? 0 : status.code();
}

int MakeFolderPath(std::string path, platform::DestinationTree& tree, platform::Status* detail,
                   platform::FolderModel model) {
  // An empty path or a bare root has no folder to make.
  if (PastRoot(path) >= path.size()) return 0;
  platform::Status status = tree.MakeFolders(path, model);
  if (detail) *detail = status;
  return status.code();
}

std::string SplitPath(std::string path, std::string& folder) {
  if (EndsWithSeparator(path)) {
    folder = path;
    return std::string();
  }
  folder.clear();
  std::size_t p = PastRoot(path);
  for (;;) {
    std::size_t separator = FindSeparator(path, p);
    if (separator == std::string::npos) return path.substr(p);
    folder = path.substr(0, separator + 1);
    p = separator + 1;
  }
}

int CheckSourceFile(std::string path, platform::FileSystem& fs) {
  if (EndsWithSeparator(path)) return platform::kFileNotFound;
  platform::EntryInfo info;
  if (!fs.Probe(path, &info).ok()) return platform::kFileNotFound;
  return info.kind == platform::EntryKind::kFile && !info.hidden ? kSourceExists
                                                                 : platform::kFileNotFound;
}

int CopyFileTo(std::string source, std::string destination, const long& overwrite,
               platform::DestinationTree& tree, platform::Status* detail,
               platform::KeepGoing keep_going, platform::FileSystem& fs, bool hidden_too,
               platform::HashSink* hash, const platform::SourceSnapshot* snapshot) {
  auto fail = [&](platform::Status status) {
    if (detail) *detail = status;
    return status.code();
  };
  platform::EntryInfo source_info;
  const bool hidden_file = snapshot == nullptr && hidden_too &&
                           fs.Probe(source, &source_info).ok() &&
                           source_info.kind == platform::EntryKind::kFile;
  if (snapshot == nullptr && !hidden_file && CheckSourceFile(source, fs) != kSourceExists) {
    return fail(
        platform::Status::Error(platform::kFileNotFound, "copy(" + source + "): no such file"));
  }
  std::string folder;
  SplitPath(destination, folder);
  if (!folder.empty()) {
    platform::Status status;
    if (MakeFolderPath(folder, tree, &status) != 0) return fail(status);
  }
  if (overwrite == 0) {
    platform::EntryInfo info;
    platform::Status status = fs.Probe(destination, &info);
    if (!status.ok()) return fail(status);
    if (info.kind == platform::EntryKind::kFile && !info.hidden) return kDestinationExists;
  }
  platform::Status status = tree.CopyFile(source, destination, keep_going, hash, snapshot);
  if (!status.ok()) return fail(status);
  if (detail) *detail = platform::Status::Ok();
  return 0;
}

}  // namespace engine
