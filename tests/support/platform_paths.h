#pragma once

#include <string>

namespace testing_support {

// What differs between platforms in the paths a run writes, for tests that run on both.

// `path` with the platform's separator for every "/".
std::string Native(std::string path);

// `path` as the run writes a job's folder: upper-cased where names ignore letter case
// (Windows), unchanged where they do not.
std::string JobCase(const std::string& path);

// The form in which two spellings of one file's path compare equal: "/" for every
// separator and, where names ignore letter case, ASCII letters in lower case.
std::string Canonical(std::string path);

}  // namespace testing_support
