#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/destination.h"

namespace platform::win32 {

// What a volume holds, from what GetVolumeInformation says of it: FAT keeps modification times
// in steps of two seconds and files below 4 GiB, exFAT in steps of 10 ms, both of the years
// 1980 to 2107 only, NTFS and the others to the 100 ns of a FILETIME. Names follow the Windows
// rules everywhere, and letter case never tells two names apart through the Win32 calls
// (FILE_CASE_SENSITIVE_SEARCH says what the file system could do, not what CreateFile does).
DestinationTraits TraitsOfVolume(std::wstring_view file_system_name);

// Why Windows cannot hold a file or folder named `name` on a volume whose names have at most
// `max_length` UTF-16 units, as a short English reason, or "" when it can: control characters,
// any of < > : " / \ | ? *, a trailing dot or space, and the device names (CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM0-9 and LPT0-9, also with superscript digits), with or without an
// extension. Such names can be made through "\\?\" paths, and then no ordinary program can
// open or remove them.
std::string WindowsNameProblem(std::wstring_view name, std::size_t max_length);

// The modification time a copy of a file modified at `ticks` (a FILETIME's 100 ns steps, not
// negative) gets on a volume with `traits`: CopyTime, in ticks.
std::int64_t CopyTimeTicks(std::int64_t ticks, const DestinationTraits& traits);

}  // namespace platform::win32
