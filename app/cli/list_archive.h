#pragma once

#include <string>

#include "app/cli/terminal_text.h"

namespace cli {

// --list-archive: the archive object's ten fields of every member of the archive at `path`,
// one record each on standard output. Returns the exit status: 0 when the
// archive was read whole, 4 when the library is missing or the archive could not be read
// or is damaged (what could be read is listed all the same).
int ListArchive(const std::string& path, const RecordFormat& format);

}  // namespace cli
