#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "unlha32/member.h"

namespace unlha32 {

// The member's stored path as UTF-8 with "\" between folders: the folder of extended
// header 0x02 followed by the file name, a folder entry ending in "\". The bytes are
// decoded with the code page of extended header 0x46 when it names one this platform
// knows; otherwise as they are when they are pure ASCII or valid UTF-8; otherwise as CP932
// (Shift_JIS, where a trail byte 0x5C is part of a character, not a separator); otherwise
// as CP1252 or, failing that, Latin-1. A name is cut at a NUL byte (Amiga LhA keeps a file
// note after one).
std::string StoredPath(const Member& member);

// `path` cut to at most `max_bytes` bytes without splitting a UTF-8 character.
std::string_view FitUtf8(std::string_view path, std::size_t max_bytes);

}  // namespace unlha32
