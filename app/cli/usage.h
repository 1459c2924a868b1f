#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The text of --help, written for an 80-column terminal.
const char* HelpText();

// Of `known` (options as written: "--source", "-n"), the one `word` most likely meant: the
// nearest by edits (a letter added, left out, changed, or two swapped), provided that it
// is near enough to be a slip rather than another word; "" when none is.
std::string NearestOption(std::string_view word, const std::vector<std::string>& known);

// The usage error for arguments nobody asked for: an unknown option named, with the nearest
// known option when there is one ("unknown option --sorce; did you mean --source?"), or the
// first argument that belongs to no option.
std::string UnexpectedArgumentText(const std::vector<std::string>& extras,
                                   const std::vector<std::string>& known);

}  // namespace cli
