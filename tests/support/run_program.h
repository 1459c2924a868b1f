#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
  int exit_status = -1;  // the exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Runs `arguments[0]` with the rest as its arguments, standard input from /dev/null unless
// `input` is given, and collects both outputs. `shell_prefix`, when not empty, is a shell
// command run before exec in the child (for example "ulimit -f 8;").
ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& input = "",
                         const std::string& shell_prefix = "");

// Whether a program that RunProgram starts can be given a time zone of its own: on POSIX
// through TZ; Windows takes the system's zone, whatever the environment says.
bool ProgramsTakeATimeZone();

// `arguments` run in the time zone `rule` (a POSIX TZ rule or zone name) where programs take
// one (see above); unchanged elsewhere.
std::vector<std::string> InTimeZone(const std::string& rule, std::vector<std::string> arguments);

}  // namespace testing_support
