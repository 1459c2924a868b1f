#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace unlha32 {

struct CommandResult {
  int code = 0;        // a ResultCode
  std::string output;  // the text for the caller's buffer (whole; the caller cuts it)
};

// Runs one command line. The only command is "l ARCHIVE [WILDCARD...]", which lists the
// members as a table; ARCHIVE and each WILDCARD may be quoted with double quotes.
CommandResult RunCommand(std::string_view command_line);

// Splits a command line at blanks, keeping double-quoted runs together (without quotes).
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace unlha32
