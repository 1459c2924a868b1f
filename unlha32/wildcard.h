#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace unlha32 {

// Whether the stored path `path` ("\" separated) matches `pattern`. "*" stands for any run
// of characters, separators included, "?" for one character; "/" in the pattern means "\";
// ASCII letters match either case. An empty pattern matches every member, and so does a
// last component of "*.*" (as on MS-DOS, also names without a dot and folder entries).
bool MatchesWildcard(std::string_view pattern, std::string_view path);

// Whether `path` matches any of `patterns`; no patterns at all match every member.
bool MatchesAnyWildcard(const std::vector<std::string>& patterns, std::string_view path);

}  // namespace unlha32
