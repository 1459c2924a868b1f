#include "platform/posix/desktop_files.h"

#include <cstdint>

#include "platform/text.h"

namespace platform::posix {
namespace {

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
      } else {
        AppendUtf8(code, out);
      }
    } else {
      out.append(text.substr(i, semicolon - i + 1));
    }
    i = semicolon;
  }
  return out;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// The desktop entry / mimeapps.list syntax: [Group] lines and Key=Value lines; the first
// occurrence of a key in a group wins.
IniFile ParseIni(std::string_view text) {
  IniFile file;
  IniGroup* group = nullptr;
  ForEachLine(text, [&](std::string_view raw) {
    std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == '#') return;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      group =
          close == std::string_view::npos ? nullptr : &file[std::string(line.substr(1, close - 1))];
      return;
    }
    std::size_t equals = line.find('=');
    if (group == nullptr || equals == std::string_view::npos) return;
    group->try_emplace(std::string(TrimBlanks(line.substr(0, equals))),
                       std::string(TrimBlanks(line.substr(equals + 1))));
  });
  return file;
}

std::vector<std::string> SplitSemicolons(std::string_view text) {
  std::vector<std::string> items;
  while (!text.empty()) {
    std::size_t semicolon = text.find(';');
    std::string_view item = TrimBlanks(text.substr(0, semicolon));
    if (!item.empty()) items.emplace_back(item);
    if (semicolon == std::string_view::npos) break;
    text.remove_prefix(semicolon + 1);
  }
  return items;
}

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
    by_language.try_emplace(language, DecodeXmlText(TrimBlanks(xml.substr(pos, close - pos))));
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
  entry->mime_types = SplitSemicolons(value("MimeType"));
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

}  // namespace platform::posix
