#pragma once

#include <string>
#include <string_view>

namespace platform {

// The folder that holds the running program, without a trailing separator.
std::string ProgramFolder();

// Finds `file_name` the way the platform finds a library or program by name: on POSIX in
// the program's folder, the current folder, the system folders and the folders of PATH, in
// that order; on Windows in the program's folder and the system folders only (never the
// current folder or PATH, where a planted library would run with the user's rights). A name
// that contains a separator is only looked up as given. Returns the path of the first
// regular file found, or "" when there is none.
std::string SearchPath(std::string_view file_name);

}  // namespace platform
