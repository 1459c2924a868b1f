#include "app/cli/config_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/messages.h"

namespace cli {
namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

JobFileArguments ParseJobFile(std::string_view text, const std::string& home) {
  JobFileArguments result;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    const std::string_view name = Trimmed(line.substr(0, equals));
    if (name.empty() || name.front() == '-' || name.find_first_of(" \t") != std::string::npos) {
      result.error = Substitute(Tr("line %s is not \"option = value\" or \"option\""),
                                {std::to_string(number)});
      return result;
    }
    result.arguments.push_back("--" + std::string(name));
    if (equals == std::string_view::npos) continue;
    std::string value(Trimmed(line.substr(equals + 1)));
    if (!home.empty() && value.starts_with("~/")) value = home + value.substr(1);
    result.arguments.push_back(std::move(value));
  }
  return result;
}

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  const std::u8string name(path.begin(), path.end());
  errno = 0;
  std::ifstream in(std::filesystem::path(name), std::ios::binary);
  if (!in) {
    *error = std::strerror(errno != 0 ? errno : ENOENT);
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    *error = std::strerror(errno != 0 ? errno : EIO);
    return false;
  }
  *text = content.str();
  return true;
}

std::vector<std::string> ExpandJobFiles(const std::vector<std::string>& arguments,
                                        std::string* error) {
  std::vector<std::string> expanded;
  const char* home = std::getenv("HOME");
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string file;
    if (arguments[i] == "--config" && i + 1 < arguments.size()) {
      file = arguments[++i];
    } else if (arguments[i].starts_with("--config=")) {
      file = arguments[i].substr(9);
    } else {
      expanded.push_back(arguments[i]);
      continue;
    }
    std::string text, reason;
    if (!ReadTextFile(file, &text, &reason)) {
      *error = Substitute(Tr("--config %s: %s"), {file, reason});
      return arguments;
    }
    JobFileArguments job = ParseJobFile(text, home ? home : "");
    if (!job.error.empty()) {
      *error = Substitute(Tr("--config %s: %s"), {file, job.error});
      return arguments;
    }
    expanded.insert(expanded.end(), job.arguments.begin(), job.arguments.end());
  }
  return expanded;
}

}  // namespace cli
