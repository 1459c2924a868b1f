#include "platform/posix/freedesktop.h"

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <set>

#include "platform/posix/file_util.h"
#include "platform/process.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

// Association files are small; anything larger is not one.
constexpr std::size_t kMaxAssociationFile = 16 << 20;
// Bounds the walk up the MIME type hierarchy (it may have cycles in broken databases).
constexpr int kMaxTypesVisited = 16;

using IniGroup = std::map<std::string, std::string>;
using IniFile = std::map<std::string, IniGroup>;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// Calls `line` for every line of `text`.
template <typename F>
void ForEachLine(std::string_view text, F&& line) {
  while (!text.empty()) {
    std::size_t newline = text.find('\n');
    line(text.substr(0, newline));
    if (newline == std::string_view::npos) break;
    text.remove_prefix(newline + 1);
  }
}

// The desktop entry / mimeapps.list syntax: [Group] lines and Key=Value lines; the first
// occurrence of a key in a group wins.
IniFile ParseIni(std::string_view text) {
  IniFile file;
  IniGroup* group = nullptr;
  ForEachLine(text, [&](std::string_view raw) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') return;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      group =
          close == std::string_view::npos ? nullptr : &file[std::string(line.substr(1, close - 1))];
      return;
    }
    std::size_t equals = line.find('=');
    if (group == nullptr || equals == std::string_view::npos) return;
    group->try_emplace(std::string(Trim(line.substr(0, equals))),
                       std::string(Trim(line.substr(equals + 1))));
  });
  return file;
}

bool ReadIni(const std::string& path, IniFile* file) {
  std::string text;
  if (!ReadWholeFile(path, kMaxAssociationFile, &text).ok()) return false;
  *file = ParseIni(text);
  return true;
}

std::vector<std::string> SplitSemicolons(std::string_view text) {
  std::vector<std::string> items;
  while (!text.empty()) {
    std::size_t semicolon = text.find(';');
    std::string_view item = Trim(text.substr(0, semicolon));
    if (!item.empty()) items.emplace_back(item);
    if (semicolon == std::string_view::npos) break;
    text.remove_prefix(semicolon + 1);
  }
  return items;
}

// The string escapes of desktop entry values.
std::string UnescapeValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    char c = value[++i];
    switch (c) {
      case 's':
        out.push_back(' ');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case '\\':
        out.push_back('\\');
        break;
      default:
        out.push_back('\\');
        out.push_back(c);
    }
  }
  return out;
}

// The value of `key` in the user's language: Key[ja_JP], then Key[ja], ..., then Key.
std::string Localized(const IniGroup& group, const std::string& key,
                      const std::vector<std::string>& languages) {
  for (const std::string& language : languages) {
    auto found = group.find(key + "[" + language + "]");
    if (found != group.end()) return found->second;
  }
  auto found = group.find(key);
  return found == group.end() ? std::string() : found->second;
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

// Characters after which a value needs quotes on an Exec line.
bool NeedsQuotes(std::string_view text) {
  if (text.empty()) return true;
  for (char c : text) {
    if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::string QuoteArgument(std::string_view text) {
  if (!NeedsQuotes(text)) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

struct ExecArgument {
  std::string raw;  // as written, quotes and escapes included
  bool quoted = false;
};

std::vector<ExecArgument> SplitExec(std::string_view exec) {
  std::vector<ExecArgument> arguments;
  ExecArgument current;
  bool in_argument = false;
  bool in_quotes = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (!in_quotes && (c == ' ' || c == '\t' || c == '\n')) {
      if (in_argument) arguments.push_back(std::move(current));
      current = ExecArgument();
      in_argument = false;
      continue;
    }
    in_argument = true;
    current.raw.push_back(c);
    if (c == '"') {
      in_quotes = !in_quotes;
      current.quoted = true;
    } else if (c == '\\' && in_quotes && i + 1 < exec.size()) {
      current.raw.push_back(exec[++i]);
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

bool IsFileCode(char code) { return code == 'f' || code == 'F' || code == 'u' || code == 'U'; }

// Replaces the five predefined XML entities and character references.
std::string DecodeXmlText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out.push_back(text[i]);
      continue;
    }
    std::size_t semicolon = text.find(';', i);
    if (semicolon == std::string_view::npos || semicolon - i > 12) {
      out.push_back('&');
      continue;
    }
    std::string_view name = text.substr(i + 1, semicolon - i - 1);
    static const std::map<std::string_view, char> kEntities = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    auto entity = kEntities.find(name);
    if (entity != kEntities.end()) {
      out.push_back(entity->second);
    } else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      std::uint32_t code = 0;
      bool valid = name.size() > (hex ? 2u : 1u);
      for (char c : name.substr(hex ? 2 : 1)) {
        int digit = (c >= '0' && c <= '9')          ? c - '0'
                    : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                    : -1;
        if (digit < 0 || code > 0x10FFFF) {
          valid = false;
          break;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
      }
      if (!valid || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out.append(text.substr(i, semicolon - i + 1));
      } else if (code < 0x80) {
        out.push_back(static_cast<char>(code));
      } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      }
    } else {
      out.append(text.substr(i, semicolon - i + 1));
    }
    i = semicolon;
  }
  return out;
}

}  // namespace

std::string MimeComment(std::string_view xml, const std::vector<std::string>& languages) {
  std::map<std::string, std::string> by_language;  // "" for the untranslated comment
  std::size_t pos = 0;
  while ((pos = xml.find('<', pos)) != std::string_view::npos) {
    if (xml.substr(pos).starts_with("<!--")) {
      std::size_t end = xml.find("-->", pos + 4);
      if (end == std::string_view::npos) break;
      pos = end + 3;
      continue;
    }
    std::string_view rest = xml.substr(pos);
    bool is_comment = rest.starts_with("<comment") && rest.size() > 8 &&
                      (rest[8] == ' ' || rest[8] == '>' || rest[8] == '\t' || rest[8] == '\n');
    ++pos;
    if (!is_comment) continue;
    std::size_t tag_end = xml.find('>', pos);
    if (tag_end == std::string_view::npos) break;
    std::string_view attributes = xml.substr(pos + 7, tag_end - pos - 7);
    pos = tag_end + 1;
    if (!attributes.empty() && attributes.back() == '/') continue;
    std::size_t close = xml.find("</comment>", pos);
    if (close == std::string_view::npos) break;
    std::string language;
    std::size_t lang = attributes.find("xml:lang=");
    if (lang != std::string_view::npos && lang + 10 < attributes.size()) {
      char quote = attributes[lang + 9];
      std::size_t end = attributes.find(quote, lang + 10);
      if (end != std::string_view::npos) {
        language = std::string(attributes.substr(lang + 10, end - lang - 10));
      }
    }
    by_language.try_emplace(language, DecodeXmlText(Trim(xml.substr(pos, close - pos))));
    pos = close + 10;
  }
  for (const std::string& language : languages) {
    auto found = by_language.find(language);
    if (found != by_language.end()) return found->second;
  }
  auto found = by_language.find("");
  return found == by_language.end() ? std::string() : found->second;
}

bool IsMimeTypeName(std::string_view text) {
  std::size_t slash = text.find('/');
  if (slash == 0 || slash == std::string_view::npos || slash + 1 == text.size() ||
      text.size() > 255) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   std::string_view("!#$&^_.+-").find(c) != std::string_view::npos ||
                   (c == '/' && i == slash);
    if (!allowed) return false;
  }
  return text[0] != '.' && text[slash + 1] != '.';
}

bool ParseDesktopEntry(std::string_view text, const std::vector<std::string>& languages,
                       DesktopEntry* entry) {
  *entry = DesktopEntry();
  IniFile file = ParseIni(text);
  auto found = file.find("Desktop Entry");
  if (found == file.end()) return false;
  const IniGroup& group = found->second;
  auto value = [&](const char* key) {
    auto it = group.find(key);
    return it == group.end() ? std::string() : UnescapeValue(it->second);
  };
  entry->type = value("Type");
  entry->exec = value("Exec");
  entry->try_exec = value("TryExec");
  entry->icon = value("Icon");
  entry->name = UnescapeValue(Localized(group, "Name", languages));
  entry->hidden = value("Hidden") == "true";
  return true;
}

std::string ExecToCommandLine(const DesktopEntry& entry, const std::string& desktop_file) {
  std::vector<std::string> out;
  bool file_code_done = false;
  for (const ExecArgument& argument : SplitExec(entry.exec)) {
    const std::string& raw = argument.raw;
    if (!argument.quoted && raw.size() == 2 && raw[0] == '%') {
      char code = raw[1];
      if (IsFileCode(code)) {
        if (!file_code_done) out.push_back("\"%1\"");
        file_code_done = true;
      } else if (code == 'i') {
        if (!entry.icon.empty()) {
          out.push_back("--icon");
          out.push_back(QuoteArgument(entry.icon));
        }
      } else if (code == 'c') {
        if (!entry.name.empty()) out.push_back(QuoteArgument(entry.name));
      } else if (code == 'k') {
        if (!desktop_file.empty()) out.push_back(QuoteArgument(desktop_file));
      } else if (code == '%') {
        out.push_back("%");
      }
      continue;  // deprecated and unknown codes are dropped
    }
    // Field codes inside a longer argument are not allowed by the rules; the file code
    // still marks where the file goes, the rest are removed.
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '%' || i + 1 == raw.size()) {
        text.push_back(raw[i]);
        continue;
      }
      char code = raw[++i];
      if (code == '%') {
        text.push_back('%');
      } else if (IsFileCode(code) && !file_code_done) {
        text.append("%1");
        file_code_done = true;
      }
    }
    if (!text.empty()) out.push_back(std::move(text));
  }
  std::string line;
  for (const std::string& argument : out) {
    if (!line.empty()) line.push_back(' ');
    line.append(argument);
  }
  return line;
}

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
    int best_weight = -1;
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
      if (UpperCase(glob.substr(2)) == wanted && weight > best_weight) {
        best = type;
        best_weight = weight;
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
      std::string parent(Trim(line.substr(space + 1)));
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
    if (!ReadIni(folder + "/applications/mimeinfo.cache", &cache)) continue;
    for (const std::string& id : ids_of(cache, "MIME Cache")) {
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
