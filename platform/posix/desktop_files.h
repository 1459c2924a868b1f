#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// Readers for the small text formats of the desktop: the group/key files of desktop
// entries and association lists, and the type files of the shared MIME database.

// Groups of "Key=Value" lines under "[Group]" lines; the first occurrence of a key in a
// group wins.
using IniGroup = std::map<std::string, std::string>;
using IniFile = std::map<std::string, IniGroup>;
IniFile ParseIni(std::string_view text);

// The items of a "a;b;c;" list, blanks around them removed, empty ones dropped.
std::vector<std::string> SplitSemicolons(std::string_view text);

// `text` without blanks, tabs and carriage returns at either end.
std::string_view TrimBlanks(std::string_view text);

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

// Whether `text` has the shape "media/subtype" of a MIME type (and so is safe to use as a
// relative path).
bool IsMimeTypeName(std::string_view text);

// The comment of a MIME database type file in the first of `languages` it has, else the
// untranslated one; "" when it has none.
std::string MimeComment(std::string_view xml, const std::vector<std::string>& languages);

// What a desktop entry says about starting its application.
struct DesktopEntry {
  std::string type;
  std::string exec;
  std::string try_exec;
  std::string name;  // in the user's language when the entry has it
  std::string icon;
  bool hidden = false;
  std::vector<std::string> mime_types;  // the types it says it opens
};

// Reads the [Desktop Entry] group of a desktop file (values unescaped, localised keys
// picked by `languages`). False when the text has no such group.
bool ParseDesktopEntry(std::string_view text, const std::vector<std::string>& languages,
                       DesktopEntry* entry);

// Turns the entry's Exec line into a command line: the first file or URL field code
// (%f %F %u %U) becomes "%1" (quoted when it stands as an argument of its own, so that a
// name with blanks stays one argument), %i %c %k expand as the desktop entry rules say, %%
// becomes "%", and every other field code is removed. `desktop_file` is the entry's path.
std::string ExecToCommandLine(const DesktopEntry& entry, const std::string& desktop_file);

}  // namespace platform::posix
