#pragma once

#include <string>

#include "engine/job.h"
#include "platform/file_system.h"

namespace engine {

// The reason to refuse `job` before anything is read, or "" when it is sound. A run whose
// comparison is its own source, holds it or lies inside it would find every file
// "unchanged" and back up nothing while reporting success, so such jobs are refused:
// - a source folder given twice (by any path: links, "..", another spelling);
// - a comparison folder that is a source folder, holds one, or lies inside one (unless it
//   lies inside the destination, which the walk leaves out).
// Folders are compared by what they are (device and index), not by their texts. The
// window's user picks each folder and sees the outcome, so only the terminal front end
// asks.
std::string JobProblem(const Job& job, platform::FileSystem& fs);

}  // namespace engine
