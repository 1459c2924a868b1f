#pragma once

#include <string>
#include <vector>

namespace cli {

// --test-archive FILE: decodes every member through the archive library and checks its
// CRC. Prints one line per bad member on standard output ("path: reason") and a count on
// standard error. Returns the exit status: 0 when every member is intact, 4 otherwise
// (also when the archive or the library cannot be read).
int TestArchive(const std::string& archive);

// --extract-archive FILE DIR [PATTERN]...: extracts the members (those matching a pattern)
// with their folders below DIR, which is created when missing; an existing file is never
// replaced. Prints one line per member that was not extracted, and a count. Returns 0 when
// all were, 4 when the archive is damaged or cannot be read, 1 when only writing failed
// (a file already there, a folder that cannot be created, a full disk).
int ExtractArchive(const std::string& archive, const std::string& folder,
                   const std::vector<std::string>& patterns);

}  // namespace cli
