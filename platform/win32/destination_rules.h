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

// The modification time a copy of a file modified at `ticks` (a FILETIME's 100 ns steps, not
// negative) gets on a volume with `traits`: CopyTime, in ticks.
std::int64_t CopyTimeTicks(std::int64_t ticks, const DestinationTraits& traits);

}  // namespace platform::win32
