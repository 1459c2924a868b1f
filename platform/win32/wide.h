#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Text crosses the Win32 edge here: UTF-8 inside the program, UTF-16 in every W call.
// Windows names are sequences of 16-bit units that need not be valid UTF-16 (a lone
// surrogate is a legal name); such a unit becomes its three-byte generalized UTF-8 form
// (WTF-8) and converts back to the same unit, so every name round-trips unchanged.

// UTF-8 (WTF-8) to UTF-16. Bytes that form no character become U+FFFD.
std::wstring Widen(std::string_view utf8);

// UTF-16 to UTF-8 (WTF-8 for lone surrogates). Never fails.
std::string Narrow(std::wstring_view wide);
void AppendNarrow(std::wstring_view wide, std::string& out);

// A path for the W calls: "/" read as "\". A path too long for the classic limit, or with a
// component that the classic form would change (a device name such as "aux.txt", which names
// the device AUX; a trailing dot or space, which it drops) is made absolute and given the
// "\\?\" prefix, so that deep trees and every name on disk stay reachable.
std::wstring WidePath(std::string_view utf8_path);

// The device that the name `name` opens in a classic path instead of a file ("aux" of
// "aux .tar.gz"), or "" for none: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also
// with the superscript digits 1-3), whatever follows the first dot.
std::wstring_view DeviceNameOf(std::wstring_view name);

// Appends `argument` to a command line (after a blank unless the line is empty) quoted so
// that the C runtime's command-line parser reads it back exactly.
void AppendArgument(const std::wstring& argument, std::wstring& line);

}  // namespace platform::win32
