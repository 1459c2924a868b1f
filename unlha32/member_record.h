#pragma once

#include <cstdint>
#include <string>

#include "unlha32/member.h"
#include "unlha32/unlha32.h"

namespace unlha32 {

// Numbers for the record's OS type field, one per creating system (see README.md).
enum OsType : std::uint32_t {
  kOsMsDos = 0,
  kOsUnix = 2,
  kOsAmiga = 3,
  kOsMac = 4,
  kOsOs2 = 5,
  kOsAtari = 7,
  kOsGeneric = 9,
  kOsOs9 = 10,
  kOsOs9_68k = 11,
  kOsOs386 = 12,
  kOsHuman68k = 13,
  kOsCpm = 14,
  kOsFlex = 15,
  kOsRunser = 16,
  kOsWindowsNt = 17,
  kOsWindows95 = 18,
  kOsTownsOs = 19,
  kOsXosk = 20,
  kOsJava = 21,
  kOsUnknown = 0xFFFFFFFF,
};

std::uint32_t OsTypeOf(const Member& member);

// Four characters "rsha" (read-only, system, hidden, archive), "-" for each one absent.
std::string AttributeText(const Member& member);

// Packed size per mille of the original size, rounded; 0 for an empty file; at most
// 32767, so that callers reading the word as signed never see a negative ratio.
std::uint16_t RatioPerMille(std::uint64_t packed, std::uint64_t original);

// The MS-DOS date (high word) and time (low word): stored as they are in levels 0 and 1,
// converted from UTC to local time in levels 2 and 3 (clamped to 1980..2107, the range the
// words can hold).
std::uint32_t DosStamp(const Member& member);

// The method text for the record: the stored id, except that Amiga LhA's folders stored as
// "-lh0-" read "-lhd-" like every other folder.
std::string MethodText(const Member& member);

// Fills `info` (all 558 bytes) for `member`.
void FillMemberInfo(const Member& member, UnlhaMemberInfo* info);

}  // namespace unlha32
