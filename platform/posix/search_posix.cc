#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/search.h"

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

std::string SearchPath(std::string_view file_name) {
  if (file_name.empty()) return std::string();
  std::string current = FileSystem::Default().CurrentFolder();
  if (file_name.find('/') != std::string_view::npos) {
    std::string path(file_name);
    if (path[0] != '/') path = Join(current, path);
    return IsRegularFile(path) ? path : std::string();
  }
  std::vector<std::string> folders = {ProgramFolder(), current, "/usr/local/lib", "/usr/lib",
                                      "/lib"};
  if (const char* env = std::getenv("PATH")) {
    std::string_view rest(env);
    for (;;) {
      std::size_t colon = rest.find(':');
      std::string_view folder = rest.substr(0, colon);
      folders.emplace_back(folder.empty() ? current : std::string(folder));
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    std::string path = Join(folder, file_name);
    if (IsRegularFile(path)) return path;
  }
  return std::string();
}

}  // namespace platform
