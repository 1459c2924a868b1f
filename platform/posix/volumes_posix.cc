#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/volumes.h"

namespace platform {
namespace {

// File systems that hold the kernel's or a service's state rather than a user's files.
constexpr std::string_view kServiceTypes[] = {
    "proc",     "sysfs",    "cgroup",    "cgroup2",         "devpts",      "devtmpfs",
    "mqueue",   "debugfs",  "tracefs",   "securityfs",      "pstore",      "bpf",
    "configfs", "fusectl",  "hugetlbfs", "autofs",          "binfmt_misc", "rpc_pipefs",
    "nsfs",     "efivarfs", "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
};

// Folders whose mounts are the system's own. Below /run only /run/media holds user volumes
// (removable media mounted by the desktop); /snap holds one read-only image per package.
constexpr std::string_view kServiceFolders[] = {"/proc", "/sys", "/dev", "/run", "/snap"};
constexpr std::string_view kRemovableMediaFolder = "/run/media";

bool IsAtOrBelow(std::string_view path, std::string_view folder) {
  if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

bool IsServiceMount(const Volume& volume) {
  for (std::string_view type : kServiceTypes) {
    if (volume.type == type) return true;
  }
  if (IsAtOrBelow(volume.mount_point, kRemovableMediaFolder)) return false;
  for (std::string_view folder : kServiceFolders) {
    if (IsAtOrBelow(volume.mount_point, folder)) return true;
  }
  return false;
}

// Undoes the octal escapes the kernel writes for space, tab, newline and backslash.
std::string Unescape(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      auto octal = [](char c) { return c >= '0' && c <= '7'; };
      if (octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
        int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
        if (value < 256) {
          text.push_back(static_cast<char>(value));
          i += 3;
          continue;
        }
      }
    }
    text.push_back(field[i]);
  }
  return text;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<Volume> ParseMountTable(std::string_view table) {
  std::vector<Volume> volumes;
  while (!table.empty()) {
    std::size_t end = table.find('\n');
    std::string_view line = table.substr(0, end);
    table.remove_prefix(end == std::string_view::npos ? table.size() : end + 1);

    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (fields.size() < 3) {
      pos = line.find_first_not_of(" \t", pos);
      if (pos == std::string_view::npos) break;
      std::size_t stop = line.find_first_of(" \t", pos);
      fields.push_back(line.substr(pos, stop == std::string_view::npos ? line.npos : stop - pos));
      pos = stop;
    }
    if (fields.size() < 3) continue;
    Volume volume{Unescape(fields[1]), Unescape(fields[0]), Unescape(fields[2])};
    if (volume.mount_point.empty() || volume.mount_point[0] != '/') continue;
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

std::vector<Volume> UserVolumes(const std::vector<Volume>& mounted,
                                const std::function<bool(const std::string&)>& is_folder) {
  std::map<std::string, Volume> by_mount_point;
  for (const Volume& volume : mounted) {
    // A later mount over the same folder hides the earlier one, even a service mount.
    by_mount_point.erase(volume.mount_point);
    if (IsServiceMount(volume) || !is_folder(volume.mount_point)) continue;
    by_mount_point[volume.mount_point] = volume;
  }
  if (by_mount_point.find("/") == by_mount_point.end()) by_mount_point["/"] = Volume{"/", "", ""};
  std::vector<Volume> volumes;
  volumes.reserve(by_mount_point.size());
  for (auto& [mount_point, volume] : by_mount_point) volumes.push_back(std::move(volume));
  return volumes;
}

std::vector<Volume> MountedVolumes() {
  std::ifstream file("/proc/self/mounts");
  std::string table;
  if (file) {
    std::ostringstream text;
    text << file.rdbuf();
    table = text.str();
  }
  return UserVolumes(ParseMountTable(table),
                     [](const std::string& path) { return IsFolder(path); });
}

int VolumeOf(const std::vector<Volume>& volumes, std::string_view path) {
  int best = -1;
  std::size_t best_length = 0;
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    const std::string& mount_point = volumes[i].mount_point;
    if (IsAtOrBelow(path, mount_point) && (best < 0 || mount_point.size() > best_length)) {
      best = static_cast<int>(i);
      best_length = mount_point.size();
    }
  }
  return best;
}

}  // namespace platform
