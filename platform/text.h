#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Unicode simple upper-casing of UTF-8 text (ASCII, Latin-1, Latin Extended, Greek,
// Cyrillic, full-width Latin, ...). Bytes that are not valid UTF-8 pass through unchanged,
// so a name that is not UTF-8 still compares equal to itself and to nothing else.
std::string UpperCase(std::string_view text);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Decodes the well-formed UTF-8 character at text[i] into `code` and returns its length in
// bytes, or returns 0 when the bytes there do not form one.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t* code);

// Bytes of the character at text[i]: a byte that starts no well-formed UTF-8 character
// counts as a character of its own, so text that is not UTF-8 is never cut inside a byte.
std::size_t CharacterLength(std::string_view text, std::size_t i);

// Appends the UTF-8 form of the Unicode scalar value `code`.
void AppendUtf8(std::uint32_t code, std::string& out);

// Text as a terminal or a log may show it: control characters (C0, DEL and the C1 range
// U+0080-U+009F), which could move the cursor, retitle a window or split one line per item
// into two, become "?". Everything else, bytes of names that are not UTF-8 included, passes
// unchanged.
std::string PrintableText(std::string_view text);

// Whether `name` matches `pattern` as the platform's listing reads wildcards: "*" any run of
// characters, "?" one character, and a final ".*" that also matches a name without any
// ".", so "*.*" is every name. Letter case counts only where names are case-sensitive.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace platform
