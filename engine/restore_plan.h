#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace engine {

// Which backup each restored file comes from: a pure function of what a chain's date folders
// hold and of what the record of the day to restore lists, tested as tables without a disk.
// Paths are record paths (engine/run_record.h).

struct RestoreChoice {
  std::string path;
  std::size_t day;  // index into the days given, newest first
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

}  // namespace engine
