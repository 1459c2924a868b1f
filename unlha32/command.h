#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace unlha32 {

struct CommandResult {
  int code = 0;        // a ResultCode
  std::string output;  // the text for the caller's buffer (whole; the caller cuts it)
};

// One command line: COMMAND [switches] ARCHIVE [BASE_FOLDER\] [PATTERN...] (README.md).
struct Command {
  char verb = 0;           // 'l', 'v', 't', 'x' or 'e'
  bool overwrite = false;  // -o: an extracted file replaces one of the same name
  bool recovery = false;   // -r: step over damaged headers to the next valid one
  std::string archive;
  std::string base_folder;  // without its final separator; empty: the current folder
  std::vector<std::string> patterns;
};

// Runs one command line and returns its result code and text.
CommandResult RunCommand(std::string_view command_line);

// Reads a command line into `command`; returns kSuccess, kBadCommand (no such command or
// switch) or kNoArchiveName.
int ParseCommand(std::string_view command_line, Command* command);

// Splits a command line at blanks, keeping double-quoted runs together (without quotes).
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace unlha32
