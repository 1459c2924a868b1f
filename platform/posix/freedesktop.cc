#include "platform/posix/freedesktop.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>

#include "platform/posix/desktop_files.h"
#include "platform/posix/file_util.h"
#include "platform/process.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

// Association files are small; anything larger is not one.
constexpr std::size_t kMaxAssociationFile = 16 << 20;
// Bounds the walk up the MIME type hierarchy (it may have cycles in broken databases).
constexpr int kMaxTypesVisited = 16;

std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> items;
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    items.emplace_back(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return items;
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return lower;
}

bool ReadIni(const std::string& path, IniFile* file) {
  std::string text;
  if (!ReadWholeFile(path, kMaxAssociationFile, &text).ok()) return false;
  *file = ParseIni(text);
  return true;
}

bool IsRegularFileAt(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsValidDesktopId(std::string_view id) {
  return id.size() > 8 && id.size() < 256 && id.ends_with(".desktop") && id.front() != '.' &&
         id.find('/') == std::string_view::npos && id.find('\0') == std::string_view::npos;
}

// A desktop file ID names "applications/a/b-c.desktop" as "a-b-c.desktop": each "-" may
// stand for a folder separator.
std::string FindDesktopFileIn(const std::string& folder, std::string_view id, int depth) {
  std::string path = folder + std::string(id);
  if (IsRegularFileAt(path)) return path;
  if (depth >= 8) return std::string();
  for (std::size_t dash = id.find('-'); dash != std::string_view::npos;
       dash = id.find('-', dash + 1)) {
    if (dash == 0) continue;
    std::string found = FindDesktopFileIn(folder + std::string(id.substr(0, dash)) + "/",
                                          id.substr(dash + 1), depth + 1);
    if (!found.empty()) return found;
  }
  return std::string();
}

// Where no mimeinfo.cache was built, the desktop entries themselves say which types they
// open (their MimeType key). IDs come in name order, entries of subfolders named with "-".
void CollectClaiming(const std::string& folder, const std::string& id_prefix,
                     const std::string& mime_type, const std::vector<std::string>& languages,
                     int depth, std::vector<std::string>* ids) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string path = folder + name;
    if (std::string_view(name).ends_with(".desktop")) {
      std::string text;
      DesktopEntry entry;
      if (ReadWholeFile(path, kMaxAssociationFile, &text).ok() &&
          ParseDesktopEntry(text, languages, &entry) &&
          std::find(entry.mime_types.begin(), entry.mime_types.end(), mime_type) !=
              entry.mime_types.end()) {
        ids->push_back(id_prefix + name);
      }
    } else if (depth < 3) {
      CollectClaiming(path + "/", id_prefix + name + "-", mime_type, languages, depth + 1, ids);
    }
  }
}

std::vector<std::string> DesktopIdsClaiming(const std::string& applications,
                                            const std::string& mime_type,
                                            const std::vector<std::string>& languages) {
  std::vector<std::string> ids;
  CollectClaiming(applications, "", mime_type, languages, 0, &ids);
  return ids;
}

}  // namespace

std::vector<std::string> FreedesktopAssociations::DataFolders() const {
  std::vector<std::string> folders;
  if (!folders_.data_home.empty()) folders.push_back(folders_.data_home);
  folders.insert(folders.end(), folders_.data_dirs.begin(), folders_.data_dirs.end());
  return folders;
}

std::string FreedesktopAssociations::MimeTypeOfExtension(std::string_view extension) const {
  if (extension.empty()) return std::string();
  std::string wanted = UpperCase(extension);
  // A folder earlier in the list overrides the later ones; its __NOGLOBS__ lines take a
  // type's globs of the later folders away.
  std::set<std::string> cleared;
  for (const std::string& folder : DataFolders()) {
    std::string text;
    bool weighted = ReadWholeFile(folder + "/mime/globs2", kMaxAssociationFile, &text).ok();
    if (!weighted && !ReadWholeFile(folder + "/mime/globs", kMaxAssociationFile, &text).ok()) {
      continue;
    }
    std::string best;
    int best_rank = -1;
    std::set<std::string> cleared_here;
    ForEachLine(text, [&](std::string_view line) {
      if (line.empty() || line.front() == '#') return;
      int weight = 50;
      if (weighted) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return;
        weight = 0;
        for (char c : line.substr(0, colon)) {
          if (c < '0' || c > '9' || weight > 1000) return;
          weight = weight * 10 + (c - '0');
        }
        line.remove_prefix(colon + 1);
      }
      std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) return;
      std::string type(line.substr(0, colon));
      std::string_view glob = line.substr(colon + 1);
      glob = glob.substr(0, glob.find(':'));  // flags and case-sensitivity follow
      if (glob == "__NOGLOBS__") {
        cleared_here.insert(type);
        return;
      }
      if (cleared.count(type) != 0 || !IsMimeTypeName(type)) return;
      if (!glob.starts_with("*.") ||
          glob.substr(2).find_first_of("*?[") != std::string_view::npos) {
        return;
      }
      if (UpperCase(glob.substr(2)) != wanted) return;
      // Ties go to the glob that ignores case, then to the lower-case spelling: the
      // extension's own case is not known here, and lower case is the usual one.
      std::string_view flags = line.substr(colon + 1 + glob.size());
      flags = flags.empty() ? flags : flags.substr(1);
      flags = flags.substr(0, flags.find(':'));
      bool case_sensitive = false;
      for (const std::string& flag : SplitCommas(flags)) case_sensitive |= flag == "cs";
      bool lower = glob == std::string_view(LowerAscii(glob));
      int rank = weight * 4 + (case_sensitive ? 0 : 2) + (lower ? 1 : 0);
      if (rank > best_rank) {
        best = type;
        best_rank = rank;
      }
    });
    if (!best.empty()) return best;
    cleared.insert(cleared_here.begin(), cleared_here.end());
  }
  return std::string();
}

std::string FreedesktopAssociations::Description(std::string_view mime_type) const {
  if (!IsMimeTypeName(mime_type)) return std::string();
  std::string type(mime_type);
  for (const std::string& folder : DataFolders()) {
    std::string xml;
    if (!ReadWholeFile(folder + "/mime/" + type + ".xml", kMaxAssociationFile, &xml).ok()) {
      continue;
    }
    std::string comment = MimeComment(xml, folders_.languages);
    if (!comment.empty()) return comment;
  }
  return std::string();
}

std::vector<std::string> FreedesktopAssociations::ParentTypes(const std::string& mime_type) const {
  std::vector<std::string> parents;
  for (const std::string& folder : DataFolders()) {
    std::string text;
    if (!ReadWholeFile(folder + "/mime/subclasses", kMaxAssociationFile, &text).ok()) continue;
    ForEachLine(text, [&](std::string_view line) {
      std::size_t space = line.find(' ');
      if (space == std::string_view::npos || line.substr(0, space) != mime_type) return;
      std::string parent(TrimBlanks(line.substr(space + 1)));
      if (IsMimeTypeName(parent)) parents.push_back(std::move(parent));
    });
  }
  return parents;
}

std::string FreedesktopAssociations::CommandOfDesktopId(std::string_view desktop_id) const {
  if (!IsValidDesktopId(desktop_id)) return std::string();
  for (const std::string& folder : DataFolders()) {
    std::string path = FindDesktopFileIn(folder + "/applications/", desktop_id, 0);
    if (path.empty()) continue;
    // The first file found stands for the ID, even when it hides the application.
    std::string text;
    DesktopEntry entry;
    if (!ReadWholeFile(path, kMaxAssociationFile, &text).ok() ||
        !ParseDesktopEntry(text, folders_.languages, &entry) || entry.hidden ||
        entry.type != "Application" || entry.exec.empty()) {
      return std::string();
    }
    if (!entry.try_exec.empty() && FindProgram(entry.try_exec).empty()) return std::string();
    return ExecToCommandLine(entry, path);
  }
  return std::string();
}

std::string FreedesktopAssociations::OpenCommandOfType(const std::string& mime_type) const {
  // The association lists, most preferred first.
  std::vector<std::string> lists;
  auto add_folder = [&](const std::string& folder, bool legacy) {
    if (folder.empty()) return;
    for (const std::string& desktop : folders_.desktops) {
      lists.push_back(folder + "/" + desktop + "-mimeapps.list");
    }
    lists.push_back(folder + "/mimeapps.list");
    if (legacy) lists.push_back(folder + "/defaults.list");
  };
  add_folder(folders_.config_home, false);
  for (const std::string& folder : folders_.config_dirs) add_folder(folder, false);
  for (const std::string& folder : DataFolders()) add_folder(folder + "/applications", true);

  std::vector<IniFile> files;
  for (const std::string& path : lists) {
    IniFile file;
    if (ReadIni(path, &file)) files.push_back(std::move(file));
  }
  auto ids_of = [&](const IniFile& file, const char* group) {
    auto found_group = file.find(group);
    if (found_group == file.end()) return std::vector<std::string>();
    auto found = found_group->second.find(mime_type);
    return found == found_group->second.end() ? std::vector<std::string>()
                                              : SplitSemicolons(found->second);
  };

  for (const IniFile& file : files) {
    for (const std::string& id : ids_of(file, "Default Applications")) {
      std::string command = CommandOfDesktopId(id);
      if (!command.empty()) return command;
    }
  }
  // Without a default, the associations that a list adds and the applications' own claims
  // count, less those that a more preferred list removes.
  std::set<std::string> removed;
  for (const IniFile& file : files) {
    for (std::string& id : ids_of(file, "Removed Associations")) removed.insert(std::move(id));
    for (const std::string& id : ids_of(file, "Added Associations")) {
      if (removed.count(id) != 0) continue;
      std::string command = CommandOfDesktopId(id);
      if (!command.empty()) return command;
    }
  }
  for (const std::string& folder : DataFolders()) {
    IniFile cache;
    std::vector<std::string> claiming =
        ReadIni(folder + "/applications/mimeinfo.cache", &cache)
            ? ids_of(cache, "MIME Cache")
            : DesktopIdsClaiming(folder + "/applications/", mime_type, folders_.languages);
    for (const std::string& id : claiming) {
      if (removed.count(id) != 0) continue;
      std::string command = CommandOfDesktopId(id);
      if (!command.empty()) return command;
    }
  }
  return std::string();
}

std::string FreedesktopAssociations::OpenCommand(std::string_view mime_type) const {
  if (!IsMimeTypeName(mime_type)) return std::string();
  std::string type(mime_type);
  std::vector<std::string> queue = {type};
  std::set<std::string> visited = {type};
  for (std::size_t i = 0; i < queue.size() && i < kMaxTypesVisited; ++i) {
    std::string command = OpenCommandOfType(queue[i]);
    if (!command.empty()) return command;
    for (std::string& parent : ParentTypes(queue[i])) {
      if (visited.insert(parent).second) queue.push_back(std::move(parent));
    }
  }
  return std::string();
}

}  // namespace platform::posix
