#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/xdg.h"

namespace platform::posix {

// The desktop's file associations, read the way file managers read them: the shared MIME
// info globs and type descriptions, the mimeapps.list / defaults.list defaults, added and
// removed associations, the mimeinfo.cache of each applications folder, and the desktop
// entries they name. Nothing is cached: every call reads the files it needs, so a change
// made by the desktop is seen at once.
class FreedesktopAssociations {
 public:
  explicit FreedesktopAssociations(XdgFolders folders) : folders_(std::move(folders)) {}

  // The MIME type of a file name ending in "." + `extension` (letter case ignored), from
  // the simple "*.ext" globs; "" when there is none.
  std::string MimeTypeOfExtension(std::string_view extension) const;

  // The description of `mime_type` (its comment in the MIME database), in the user's
  // language when the database has one; "" when unknown.
  std::string Description(std::string_view mime_type) const;

  // The command line of the default application for `mime_type` (or, without one, of its
  // parent types), with "%1" where the file name goes; "" when no application is found.
  std::string OpenCommand(std::string_view mime_type) const;

 private:
  std::vector<std::string> DataFolders() const;
  std::string OpenCommandOfType(const std::string& mime_type) const;
  std::string CommandOfDesktopId(std::string_view desktop_id) const;
  std::vector<std::string> ParentTypes(const std::string& mime_type) const;

  XdgFolders folders_;
};

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
