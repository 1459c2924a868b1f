#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

// The folder for temporary files, with a trailing separator ($TMPDIR when it is an
// absolute path, otherwise the system's; "" when there is none).
std::string TemporaryFolder();

// Creates a new, empty file in `folder` (which ends with a separator or is "" for the
// current folder) named `prefix` + four upper-case hexadecimal digits + ".tmp", never
// replacing an existing file, and returns its full path in `path`. Fails with
// kFileAlreadyExists when every number is taken. On Windows the system names the file, and
// a prefix may have at most three characters (kInvalidArgument otherwise).
Status CreateUniqueFile(const std::string& folder, std::string_view prefix, std::string* path);

// Renames `from` to `to` unless something already has the name `to` (then
// kFileAlreadyExists and nothing changes): an existing file is never replaced.
Status RenameNoReplace(const std::string& from, const std::string& to);

// Removes the file `path` (not a folder). A missing file is kFileNotFound.
Status RemoveFile(const std::string& path);

// Removes the empty folder `path` (a link is not removed, nor followed).
Status RemoveEmptyFolder(const std::string& path);

}  // namespace platform
