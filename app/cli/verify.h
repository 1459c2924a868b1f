#pragma once

#include <cstdio>
#include <string>

namespace cli {

// grebewick-cli --verify: reads every file that the record of `date_folder` lists in its
// SHA256SUMS and reports, one line each on `errors`, each file that is missing, unreadable
// or damaged. With `destination` instead ("" for date_folder), every date folder below it.
// Returns the exit status: 0 when everything checked is intact, 1 otherwise (a date folder
// named alone that holds no record included), 3 when cancelled.
int Verify(const std::string& date_folder, const std::string& destination, bool quiet,
           std::FILE* errors);

}  // namespace cli
