#pragma once

// What the restore tests share: the CLI in UTC, and the state of every file below a folder
// (content, time, permission bits), to compare a restore with the source of its day.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace restore_test {

inline testing_support::ProgramResult Cli(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), GREBEWICK_CLI);
  return testing_support::RunProgram(testing_support::InTimeZone("UTC", arguments));
}

struct FileState {
  std::string content;
  std::int64_t mtime;
  unsigned mode;
  bool operator==(const FileState&) const = default;
};
using Snapshot = std::map<std::string, FileState>;

inline std::ostream& operator<<(std::ostream& out, const FileState& state) {
  return out << "{\"" << state.content << "\", " << state.mtime << ", 0" << std::oct << state.mode
             << std::dec << "}";
}

inline FileState StateOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return FileState{testing_support::ReadFile(path), st.st_mtim.tv_sec,
                   static_cast<unsigned>(st.st_mode & 0777)};
}

// Every regular file below `root` with its state.
inline Snapshot Take(const std::string& root) {
  Snapshot snapshot;
  for (const std::string& file : testing_support::FilesBelow(root)) {
    snapshot[file] = StateOf(root + "/" + file);
  }
  return snapshot;
}

inline void Write(const std::string& path, const std::string& content, std::int64_t mtime,
                  unsigned mode = 0644) {
  testing_support::WriteFile(path, content, mtime);
  std::filesystem::permissions(path, static_cast<std::filesystem::perms>(mode));
}

}  // namespace restore_test
