#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The folder that holds the running program, without a trailing separator; "" when the
// platform cannot tell.
std::string ProgramFolder();

// The folders, in order, from which the program loads the libraries it finds by name. On
// POSIX: its own folder, then the folder where an installation keeps its private libraries,
// found relative to the running program (`../lib/<multiarch>/grebewick` beside `bin/`, as
// the build was configured), so that an unpacked package or a moved installation finds its
// library. On Windows: its own folder, then the system folders. Never the current folder and
// never a folder of PATH: a library planted there (in a downloads folder, say) would run with
// the user's rights.
std::vector<std::string> LibraryFolders();

// Finds the library `file_name` in LibraryFolders(), in order. A name that contains a
// separator is only looked up as given (relative to the current folder when not absolute).
// Returns the full path of the first regular file found, or "" when there is none. The
// path returned is the one to load: a presence check and the load that follows it must use
// the same path, so that they always agree.
std::string SearchPath(std::string_view file_name);

}  // namespace platform
