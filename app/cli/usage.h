#pragma once

#include <string_view>

namespace cli {

// The text of --help, written for an 80-column terminal.
std::string_view HelpText();

}  // namespace cli
