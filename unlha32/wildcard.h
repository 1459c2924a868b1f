#pragma once

#include <string_view>

namespace unlha32 {

// Whether the stored path `path` ("\" separated) matches `pattern`. "*" stands for any run
// of characters, separators included, "?" for one character; "/" in the pattern means "\";
// ASCII letters match either case. An empty pattern matches every member, and so does a
// last component of "*.*" (as on MS-DOS, also names without a dot and folder entries).
bool MatchesWildcard(std::string_view pattern, std::string_view path);

}  // namespace unlha32
