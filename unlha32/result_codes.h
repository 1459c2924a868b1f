#pragma once

#include "unlha32/member.h"

namespace unlha32 {

// The result codes the library answers with (their texts are the caller's).
enum ResultCode : int {
  kSuccess = 0,
  kNoMoreMembers = -1,         // FindFirst / FindNext: the listing is at its end
  kDiskFull = 0x8005,          // extracting: the disk is full
  kNotAFile = 0x8008,          // a member that is neither a file nor a folder (a link, a device)
  kUnknownMethod = 0x8009,     // a member packed with a method the library does not decode
  kDataCrc = 0x800C,           // a member's data does not have the CRC its header gives
  kCannotCreate = 0x800D,      // extracting: the file cannot be created (or its name is unsafe)
  kFileExists = 0x8010,        // extracting: a file of that name is there already
  kTooManyMembers = 0x8011,    // the output buffer held only part of the listing
  kCannotMakeFolder = 0x8012,  // extracting: a folder cannot be created
  kWriteError = 0x8013,        // extracting: writing a file failed
  kDamagedData = 0x8014,       // a member's packed data cannot be decoded
  kHeaderCrc = 0x8016,         // a header's checksum or CRC does not match
  kHeaderBroken = 0x8017,      // a header is damaged, or the archive is cut short
  kCannotOpen = 0x8018,        // the archive cannot be opened; not an open handle
  kNoArchiveName = 0x8019,     // the command names no archive
  kReadError = 0x801A,         // reading the archive failed
  kNotArchive = 0x801B,        // the file is not an LZH archive
  kBadCommand = 0x801C,        // unknown command or switch, or a pattern that matches nothing
  kInterrupted = 0x8020,       // testing or extracting: the caller asked to stop
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
