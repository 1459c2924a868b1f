#include "unlha32/output_path.h"

#include "platform/text.h"

namespace unlha32 {
namespace {

bool IsDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

bool SafeOutputPath(std::string_view stored, bool is_folder, bool keep_folders, OutputPath* path) {
  *path = OutputPath();
  if (IsDrive(stored)) stored.remove_prefix(2);
  std::vector<std::string> parts;
  while (!stored.empty()) {
    std::size_t end = stored.find('\\');
    std::string_view part = stored.substr(0, end);
    stored = end == std::string_view::npos ? std::string_view() : stored.substr(end + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") return false;
    parts.push_back(platform::PrintableText(part));
  }
  if (!is_folder) {
    if (parts.empty()) return false;
    path->name = std::move(parts.back());
    parts.pop_back();
  }
  if (keep_folders) {
    path->folders = std::move(parts);
  } else if (is_folder) {
    return false;
  }
  return true;
}

}  // namespace unlha32
