#include "platform/posix/xdg.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace platform::posix {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool IsAbsolute(std::string_view path) { return !path.empty() && path[0] == '/'; }

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::vector<std::string> SplitList(std::string_view text, char separator) {
  std::vector<std::string> items;
  while (!text.empty()) {
    std::size_t end = text.find(separator);
    std::string_view item = text.substr(0, end);
    if (!item.empty()) items.emplace_back(item);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return items;
}

std::string HomeOr(const std::string& home, const std::string& variable, const char* below) {
  if (IsAbsolute(variable)) return WithoutTrailingSlash(variable);
  return home.empty() ? std::string() : WithoutTrailingSlash(home) + below;
}

std::vector<std::string> AbsoluteFolders(const std::string& variable, const char* fallback) {
  std::vector<std::string> folders;
  for (std::string& folder : SplitList(variable.empty() ? fallback : variable, ':')) {
    if (IsAbsolute(folder)) folders.push_back(WithoutTrailingSlash(std::move(folder)));
  }
  return folders;
}

void AddLanguage(std::string_view locale, std::vector<std::string>& languages) {
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.")) return;
  std::size_t at = locale.find('@');
  std::string_view modifier = at == std::string_view::npos ? "" : locale.substr(at);
  std::string_view base = locale.substr(0, at);
  base = base.substr(0, base.find('.'));
  std::string_view language = base.substr(0, base.find('_'));
  std::vector<std::string> shapes;
  if (!modifier.empty()) shapes.push_back(std::string(base).append(modifier));
  shapes.emplace_back(base);
  if (!modifier.empty()) shapes.push_back(std::string(language).append(modifier));
  shapes.emplace_back(language);
  for (std::string& shape : shapes) {
    bool known = false;
    for (const std::string& existing : languages) known = known || existing == shape;
    if (!known && !shape.empty()) languages.push_back(std::move(shape));
  }
}

}  // namespace

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (IsAbsolute(home)) return home;
  struct passwd entry;
  struct passwd* result = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &result) == 0 && result &&
      IsAbsolute(result->pw_dir)) {
    return result->pw_dir;
  }
  return std::string();
}

XdgFolders XdgFoldersFromEnvironment() {
  XdgFolders folders;
  std::string home = HomeFolder();
  folders.data_home = HomeOr(home, Environment("XDG_DATA_HOME"), "/.local/share");
  folders.config_home = HomeOr(home, Environment("XDG_CONFIG_HOME"), "/.config");
  folders.data_dirs =
      AbsoluteFolders(Environment("XDG_DATA_DIRS"), "/usr/local/share/:/usr/share/");
  folders.config_dirs = AbsoluteFolders(Environment("XDG_CONFIG_DIRS"), "/etc/xdg");
  for (std::string& desktop : SplitList(Environment("XDG_CURRENT_DESKTOP"), ':')) {
    for (char& c : desktop) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    folders.desktops.push_back(std::move(desktop));
  }
  // The order in which gettext picks the message language.
  std::string locale = Environment("LC_ALL");
  if (locale.empty()) locale = Environment("LC_MESSAGES");
  if (locale.empty()) locale = Environment("LANG");
  if (!locale.empty() && locale != "C" && locale != "POSIX") {
    for (const std::string& language : SplitList(Environment("LANGUAGE"), ':')) {
      AddLanguage(language, folders.languages);
    }
  }
  AddLanguage(locale, folders.languages);
  return folders;
}

}  // namespace platform::posix
