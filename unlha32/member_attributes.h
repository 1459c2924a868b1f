#pragma once

#include <cstdint>
#include <optional>

#include "unlha32/member.h"

namespace unlha32 {

// A member that is neither a file nor a folder: its Unix mode names a symbolic link (LHa
// for UNIX stores them as "-lhd-" named "link|target"), a device, a FIFO or a socket. Any
// other "-lhd-" member is a folder, whatever its mode (OS-9 LHA's carry no folder bit).
// Extracting one could point a later member outside the base folder; it is never created.
bool IsSpecialFile(const Member& member);

// The modification time to give an extracted member, in Unix seconds: the Unix time of
// extended header 0x54 or the level 0 'U' area when there is one, the Unix time of a level
// 2/3 header, or else the MS-DOS local time of a level 0/1 header read in this machine's
// time zone.
std::int64_t MemberMtime(const Member& member);

// The permission bits to give an extracted member: the Unix mode's low nine bits (never
// set-user-id, set-group-id or sticky; a folder's only when its mode is a folder's); 0444
// for a read-only MS-DOS attribute; otherwise none (the default for a new file). The umask
// is the output folder's to apply.
std::optional<unsigned> MemberPermissions(const Member& member);

}  // namespace unlha32
