#pragma once

#include <string>

namespace platform {

// An absolute form of `path`: taken relative to the current folder when it is not absolute
// (on Windows, relative to its drive's current folder for "D:x"), with "." and ".."
// resolved as text, never by following links, and no trailing separator except on a root.
std::string FullPath(const std::string& path);

}  // namespace platform
