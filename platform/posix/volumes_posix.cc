#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
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

std::string ReadMountTable() {
  std::ifstream file("/proc/self/mounts");
  std::ostringstream text;
  if (file) text << file.rdbuf();
  return text.str();
}

// A folder is a mount point when the mount table says so (a bind mount of a folder of the same
// file system included), or, should the table be unreadable (no /proc in a container), when
// it lies on another device than its parent.
bool IsMountPoint(const std::string& folder, const std::vector<Volume>& table) {
  struct stat here, parent;
  if (::stat(folder.c_str(), &here) != 0 || !S_ISDIR(here.st_mode)) return false;
  for (const Volume& volume : table) {
    if (volume.mount_point == folder) return true;
  }
  return ::stat((folder + "/..").c_str(), &parent) == 0 && parent.st_dev != here.st_dev;
}

// `path` made absolute, with the links of its longest existing part resolved: a link to a
// mount point (~/usb -> /media/u/USB) leads to the medium, and /media/x/.. is not /media.
std::string Resolved(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
    absolute = std::string(cwd) + "/" + absolute;
  }
  std::string head = absolute, rest;
  for (;;) {
    if (char* real = ::realpath(head.c_str(), nullptr)) {
      std::string result = real;
      std::free(real);
      if (rest.empty()) return result;
      return (result == "/" ? "" : result) + "/" + rest;
    }
    if (head == "/") return absolute;
    const std::size_t slash = head.find_last_of('/');
    const std::string name = head.substr(slash + 1);
    if (!name.empty()) rest = rest.empty() ? name : name + "/" + rest;
    head.resize(slash == 0 ? 1 : slash);
  }
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
  return UserVolumes(ParseMountTable(ReadMountTable()),
                     [](const std::string& path) { return IsFolder(path); });
}

std::string MediumMountPoint(std::string_view path,
                             const std::function<bool(std::string_view)>& is_user_folder) {
  if (path.empty() || path[0] != '/') return std::string();
  std::vector<std::string_view> names;
  for (std::size_t start = 0; start < path.size();) {
    std::size_t end = std::min(path.find('/', start), path.size());
    std::string_view name = path.substr(start, end - start);
    if (!name.empty() && name != ".") names.push_back(name);
    start = end + 1;
  }
  // How many names make the mount point: the root's, a user's folder where there is one, and
  // the medium's own.
  std::size_t depth = 0;
  if (names.size() >= 2 && names[0] == "mnt") {
    depth = 2;
  } else if (names.size() >= 2 && names[0] == "media") {
    depth = is_user_folder(names[1]) ? 3 : 2;
  } else if (names.size() >= 2 && names[0] == "run" && names[1] == "media") {
    depth = 4;
  }
  if (depth == 0 || names.size() < depth) return std::string();
  std::string mount_point;
  for (std::size_t i = 0; i < depth; ++i) mount_point.append("/").append(names[i]);
  return mount_point;
}

Status CheckMediumMounted(const std::string& path) {
  const std::string resolved = Resolved(path);
  std::vector<Volume> table;
  bool table_read = false;
  auto is_mount_point = [&](const std::string& folder) {
    if (!table_read) {
      table = ParseMountTable(ReadMountTable());
      table_read = true;
    }
    return IsMountPoint(folder, table);
  };
  const std::string medium = MediumMountPoint(resolved, [&](std::string_view name) {
    // A medium mounted at /media/NAME is one even where NAME is also an account's name
    // ("backup" is one on Debian).
    const std::string folder = "/media/" + std::string(name);
    return ::getpwnam(std::string(name).c_str()) != nullptr && !is_mount_point(folder);
  });
  if (medium.empty() || is_mount_point(medium)) return Status::Ok();
  return Status::Error(kPathNotFound, "open(" + path + "): nothing is mounted at " + medium +
                                          " (is the medium mounted?)");
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
