#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/search.h"

// GREBEWICK_LIBRARY_FOLDER: where an installation keeps the program's private libraries,
// relative to the folder of its programs, from the folders the build was configured with.
#ifndef GREBEWICK_LIBRARY_FOLDER
#error "GREBEWICK_LIBRARY_FOLDER must be defined by the build"
#endif

namespace platform {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string path = folder;
  if (path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

// `folder` followed by the relative path `relative`, each leading ".." taking off one
// component of `folder` (as text: the program's folder has no links left in it).
std::string Resolve(std::string folder, std::string_view relative) {
  while (relative.starts_with("../")) {
    std::size_t slash = folder.rfind('/');
    folder.resize(slash == 0 || slash == std::string::npos ? 1 : slash);
    relative.remove_prefix(3);
  }
  return Join(folder, relative);
}

}  // namespace

std::string ProgramFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < buffer.size()) {
      std::string path(buffer.data(), static_cast<std::size_t>(length));
      std::size_t slash = path.rfind('/');
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> LibraryFolders() {
  const std::string program = ProgramFolder();
  if (program.empty()) return {};
  return {program, Resolve(program, GREBEWICK_LIBRARY_FOLDER)};
}

std::string SearchPath(std::string_view file_name) {
  if (file_name.empty()) return std::string();
  if (file_name.find('/') != std::string_view::npos) {
    std::string path(file_name);
    if (path[0] != '/') path = Join(FileSystem::Default().CurrentFolder(), path);
    return IsRegularFile(path) ? path : std::string();
  }
  for (const std::string& folder : LibraryFolders()) {
    std::string path = Join(folder, file_name);
    if (IsRegularFile(path)) return path;
  }
  return std::string();
}

}  // namespace platform
