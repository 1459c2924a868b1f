#pragma once

#include <windows.h>

#include <string>

#include "platform/status.h"
#include "platform/win32/handle.h"

namespace platform::win32 {

// A folder held open while something is written below it: shared for reading and writing
// but not for removal, so that it can be neither renamed, removed nor replaced by a link
// while its holder relies on where it is. `path` is its full path as the system names it, in
// the "\\?\" form, through which the names inside it are reached.
struct HeldFolder {
  Handle handle;
  std::wstring path;
};

// Opens the folder `text` that the user named, creating it and its missing parents first;
// links on its way are followed (the user's own).
Status OpenNamedFolder(const std::string& text, HeldFolder* folder);

// How opening a folder inside a held one went.
enum class ChildFolder {
  kOpened,
  kMissing,    // nothing of that name (`status` says so)
  kLink,       // a symbolic link or junction, or a name that leads elsewhere
  kNotFolder,  // a file or anything else that is not a folder
  kFailed,     // the system refused (`status` says why)
};

// Opens the folder `name` (a single name that passed the name checks) inside `parent`,
// without following a link or junction: the attributes of what was opened, and where the
// system says it lies, must show a folder right inside `parent`. With `create` it is made
// first when missing, and `*made` tells whether it was. `text` names it in messages.
ChildFolder OpenChildFolder(const HeldFolder& parent, const std::wstring& name,
                            const std::string& text, bool create, HeldFolder* folder, bool* made,
                            Status* status);

}  // namespace platform::win32
