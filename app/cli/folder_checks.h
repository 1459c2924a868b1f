#pragma once

#include <cstdio>
#include <string>

#include "engine/job.h"
#include "platform/file_system.h"

namespace cli {

// Warns on `out` about the folders of `job` that a run would use otherwise than the user
// most likely meant: a source folder that is missing or not a folder (the run treats it as
// empty), and a comparison folder given with --compare that shares no name with its source
// folder (`chained`: the comparisons come from a chain of backups, which is checked apart).
void WarnAboutFolders(const engine::Job& job, bool chained, platform::FileSystem& fs,
                      std::FILE* out);

// Whether `comparison` looks like the wrong folder for `source`: both hold entries, yet no
// file or folder name of the source folder (compared without regard to case) is in the
// comparison folder, nor an LZH archive when `archives` are read (their members could
// match). The common slip is a date folder of an earlier run, which holds each source only
// below its full path.
bool SharesNoName(platform::FileSystem& fs, const std::string& source,
                  const std::string& comparison, bool archives);

// The reason to refuse the run when the destination folder lies on a medium that is not
// mounted (platform::CheckMediumMounted, also with `make_path`), or does not exist and may not
// be created (an unmounted medium must not fill the disk below its mount point); "" when the
// run may go on. Other problems with the destination are the run's to report.
std::string MissingDestination(platform::FileSystem& fs, const std::string& destination,
                               bool make_path);

}  // namespace cli
