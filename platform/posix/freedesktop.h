#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/desktop_files.h"
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

}  // namespace platform::posix
