#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace platform {

// The full path of the program `name` as the shell would find it: `name` itself when it
// contains a separator, otherwise the first executable regular file of that name in the
// folders of PATH. "" when there is none.
std::string FindProgram(std::string_view name);

// Starts `program` (a path, or a name looked up as FindProgram does) with `arguments` and
// returns as soon as it runs, without waiting for it to end. The program runs detached in a
// session of its own, and its exit is collected in the background so that no zombie stays.
// Fails (with the reason) when the program is missing, not executable or cannot start.
Status StartProgram(const std::string& program, const std::vector<std::string>& arguments = {});

}  // namespace platform
