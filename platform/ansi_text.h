#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Text in the system's ANSI code page: the code page of the platform's "A" functions and of
// the archive library's interface (its paths, command lines and member records). On Windows
// that is the active code page (932 on Japanese Windows); on POSIX it is UTF-8, so every
// conversion here returns the text unchanged.

// ANSI text to UTF-8; text cut at a NUL ends there on its own.
std::string AnsiToUtf8(std::string_view ansi);

// UTF-8 to ANSI text. A character without a form in the code page becomes "?"; `exact`,
// when given, tells whether every character had one.
std::string Utf8ToAnsi(std::string_view utf8, bool* exact = nullptr);

// A path as the "A" functions open it: its ANSI form when every character has one, else
// its short (8.3) form when that has one (so a library that takes ANSI paths still opens
// it), else the ANSI form with its "?".
std::string AnsiPath(const std::string& utf8_path);

// The length of the longest beginning of the ANSI text `ansi` that has at most `max_bytes`
// bytes and does not cut a character in two.
std::size_t FitAnsi(std::string_view ansi, std::size_t max_bytes);

}  // namespace platform
