#include <vector>

#include "platform/file_system.h"
#include "platform/full_path.h"

namespace platform {

std::string FullPath(const std::string& path) {
  std::string full = path;
  if (full.empty() || full[0] != '/') full = FileSystem::Default().CurrentFolder() + "/" + full;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) return "/";
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result;
}

}  // namespace platform
