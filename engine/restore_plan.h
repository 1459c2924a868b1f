#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_record.h"

namespace engine {

// Which backup each restored file comes from: a pure function of what a chain's date folders
// hold and of what the record of the day to restore lists, tested as tables without a disk.
// Paths are record paths (engine/run_record.h).

inline constexpr std::size_t kPlainCopy = static_cast<std::size_t>(-1);

struct RestoreChoice {
  std::string path;
  std::size_t day;                  // index into the days given, newest first
  std::size_t member = kPlainCopy;  // index into that day's archive members, or a plain copy
};

struct RestorePlan {
  std::vector<RestoreChoice> files;  // by path
  std::vector<std::string> missing;  // listed, but held by no day; by path
};

// `held[d]` holds the files of the d-th date folder, newest first (the day restored and the
// ones before it). With `listed` (the files of the day restored, as its record lists them),
// each listed file comes from the newest date folder that holds it, and files held but not
// listed (deleted before that day) are left out. Without it (a chain without records), every
// file held anywhere comes from the newest date folder that holds it. Without
// `case_sensitive`, paths that differ only in letter case are one (Windows backups hold
// upper-cased names of what the record lists as the user spelled it).
RestorePlan PlanRestore(const std::vector<std::string>* listed,
                        const std::vector<std::vector<std::string>>& held,
                        bool case_sensitive = true);

// A member of an LZH archive found in a date folder.
struct HeldMember {
  std::string folder;  // the stored folder (FilePath) upper-cased, with the platform's separator
  std::string name;    // the name as the archive holds it
  std::uint64_t size = 0;
  std::optional<std::int64_t> time;  // Unix seconds, where the archive tells them
};

// As above, for a chain whose runs read the archives in their backups: `members[d]` are the
// archive members of the d-th date folder, and they hold files as the runs' catalogue takes
// them (StoredFolderPasses, letter case, names of the folder's other files), when the size
// is the one listed and the time, where the member has one, not earlier. A day's plain copy
// comes before its members; of several members, the one whose time is nearest the listed
// one.
RestorePlan PlanRestore(const std::vector<RecordedFile>& listed,
                        const std::vector<std::vector<std::string>>& held,
                        const std::vector<std::vector<HeldMember>>& members,
                        bool case_sensitive = true);

}  // namespace engine
