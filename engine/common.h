#pragma once

#include <string>

namespace engine {

// The local date when the main window loaded, "yyyymmdd"; names the dated destination
// folder of every run until the program ends.
extern std::string DateFolderName;

// Set at each run start: the destination text, a separator unless it already ends with
// one, and DateFolderName. Keeps its value after the run.
extern std::string DestinationRoot;

// DateFolderName for the current local date.
std::string TodayFolderName();

}  // namespace engine
