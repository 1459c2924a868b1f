#pragma once

#include "unlha32/member.h"

namespace unlha32 {

// The result codes the library answers with (their texts are the caller's).
enum ResultCode : int {
  kSuccess = 0,
  kNoMoreMembers = -1,       // FindFirst / FindNext: the listing is at its end
  kTooManyMembers = 0x8011,  // the output buffer held only part of the listing
  kHeaderCrc = 0x8016,       // a header's checksum or CRC does not match
  kHeaderBroken = 0x8017,    // a header is damaged, or the archive is cut short
  kCannotOpen = 0x8018,      // the archive cannot be opened; not an open handle
  kNoArchiveName = 0x8019,   // the command names no archive
  kReadError = 0x801A,       // reading the archive failed
  kNotArchive = 0x801B,      // the file is not an LZH archive
  kBadCommand = 0x801C,      // unknown command or switch
};

// The code for a listing that ended with `status` (kSuccess for a normal end).
inline int CodeForStatus(HeaderStatus status) {
  switch (status) {
    case HeaderStatus::kOk:
    case HeaderStatus::kEndMark:
    case HeaderStatus::kEndOfFile:
      return kSuccess;
    case HeaderStatus::kBadChecksum:
    case HeaderStatus::kBadHeaderCrc:
      return kHeaderCrc;
    case HeaderStatus::kReadError:
      return kReadError;
    case HeaderStatus::kTruncated:
    case HeaderStatus::kBroken:
      return kHeaderBroken;
  }
  return kHeaderBroken;
}

}  // namespace unlha32
