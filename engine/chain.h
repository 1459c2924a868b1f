#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace engine {

// Backups that earlier runs made into date folders, used as a chain of comparisons.

// The date folders directly below `destination` whose dates are not after `last_date`
// ("yyyymmdd"), newest first. Links to folders are not date folders.
std::vector<std::string> DateFoldersUpTo(platform::FileSystem& fs, const std::string& destination,
                                         std::string_view last_date);

// Where `source` stands below `date_folder`, or "" when a symbolic link lies on that way
// below the date folder: a chain reads only what the backup holds, never what a link in it
// points to (a link to the source itself would make every file its own backup).
std::string ChainMember(platform::FileSystem& fs, const std::string& date_folder,
                        const std::string& source);

}  // namespace engine
