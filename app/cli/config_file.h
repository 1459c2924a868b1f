#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The arguments that a job file stands for. A job file (a timer's job, say) holds one option
// a line, written as on the command line without its leading dashes, its value after "=":
//
//   # ~/.config/grebewick/backup.conf
//   dest = /media/me/backup
//   source = ~/docs
//   source = ~/My Pictures
//   incremental
//
// Blank lines and lines that start with "#" are skipped; blanks around the name and the value
// are dropped, blanks inside a value stay (no quoting is needed or understood). A value that
// starts with "~/" starts in `home` when that is not empty.
struct JobFileArguments {
  std::vector<std::string> arguments;  // "--dest", "/media/me/backup", "--source", ...
  std::string error;                   // "" when every line could be read
};
JobFileArguments ParseJobFile(std::string_view text, const std::string& home);

// `arguments` (the program's name first) with every "--config FILE" (or "--config=FILE")
// replaced, in its place, by the arguments of that job file, so that a --compare in the file
// still belongs to the --source before it. Sets `error` (one line naming the file) and
// returns the arguments unchanged when a file cannot be read or holds a line that is no
// option.
std::vector<std::string> ExpandJobFiles(const std::vector<std::string>& arguments,
                                        std::string* error);

// The whole content of the file `path`; false when it cannot be read (`error` then says why).
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);

}  // namespace cli
