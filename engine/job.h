#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/exclude_rules.h"

namespace engine {

// What the window's comparison list shows for a pair without a comparison; the terminal
// front end accepts it as well as "none".
inline constexpr char kNoComparison[] = "なし";

// A source folder and what it is compared with.
struct FolderPair {
  std::string source;
  // The comparison folders, newest first; empty when the pair has none. A file is judged
  // against the newest of them that holds a file of its name.
  std::vector<std::string> comparisons;
};

// One backup job, built once by a front end (from the window's controls, from the command
// line) and handed to the run whole: the run reads nothing of the job anywhere else.
struct Job {
  std::vector<FolderPair> pairs;
  std::string destination;  // the destination text as the user gave it
  // DateFolderName of the run ("yyyymmdd"); empty: the one the program already holds, else
  // today's.
  std::string date_folder;
  bool include_subfolders = true;  // chkSubDir checked
  bool read_archives = true;       // chkLHA checked: LZH archives in comparisons are read
  bool match_folders = true;       // optFolder(0) selected
  // A chain whose runs read the archives in its backups, from its first run on (which has
  // no backup to compare with yet): its records say so, for the restores of its days.
  bool archives_in_backups = false;
  // Dot-files and dot-folders are listed like any other (the terminal front end's --hidden).
  bool include_hidden = false;
  // Entries of the sources left out: neither walked, copied nor looked for in comparisons.
  ExcludeRules exclude;
};

// A job's folder values as the run uses them: upper-cased where names are not
// case-sensitive (elsewhere that would name other folders), one trailing separator off.
std::string JobFolder(std::string text);

// Where a run files the source folder `source` below the date folder `date_folder`: the
// date folder followed by the source's path without its root name.
std::string BelowDateFolder(const std::string& date_folder, const std::string& source);

// Whether `name` is a date folder's name: "yyyymmdd" naming a day of the calendar.
bool IsDateFolderName(std::string_view name);

}  // namespace engine
