#pragma once

#include <string>
#include <string_view>

namespace platform {

// Unicode simple upper-casing of UTF-8 text (ASCII, Latin-1, Latin Extended, Greek,
// Cyrillic, full-width Latin, ...). Bytes that are not valid UTF-8 pass through unchanged,
// so a name that is not UTF-8 still compares equal to itself and to nothing else.
std::string UpperCase(std::string_view text);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace platform
