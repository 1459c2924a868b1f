#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The fixed version block of a file's version resource: the file version as two 32-bit
// words, most significant first.
struct FileVersionNumbers {
  std::uint32_t most_significant = 0;
  std::uint32_t least_significant = 0;
};

// Reads the version block of `path`; false when the file has no version resource (always
// on POSIX, where files carry none).
bool ReadFileVersion(const std::string& path, FileVersionNumbers* version);

// The short (8.3) form of `long_path`; false when the platform cannot give one. On POSIX a
// path is its own short name, so this always succeeds with the path unchanged.
bool ShortPathName(const std::string& long_path, std::string* short_path);

}  // namespace platform
