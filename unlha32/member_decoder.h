#pragma once

#include "unlha32/archive_source.h"
#include "unlha32/member.h"
#include "unlha32/output_window.h"

namespace unlha32 {

enum class DecodeStatus {
  kOk,             // the whole original size, with the CRC-16 the header gives
  kUnknownMethod,  // a method this library does not decode
  kCrcMismatch,    // decoded in full, but the CRC-16 differs
  kDamaged,        // the packed data cannot be decoded (a broken code, too short)
  kTruncated,      // the packed data runs past the end of the archive
  kReadError,      // reading the archive failed
  kOutputFailed,   // the sink refused the bytes
};

// Whether the library decodes `member`'s method. Folder entries count as decodable (they
// have no data). LHARK's "-lh7-", which is no -lh7- at all, is not decodable.
bool CanDecode(const Member& member);

// Decodes the data of `member` and hands the original bytes to `sink`, in order, in pieces
// of at most the method's ring size; then checks their CRC-16 against the header's. The
// bytes reach the sink before the CRC is known: a caller that keeps them must keep them
// apart until kOk. Never produces more than the header's original size. Memory: the
// method's dictionary (at most 512 KiB) plus fixed buffers, whatever the member's size.
// A folder entry decodes to nothing.
DecodeStatus DecodeMember(ArchiveSource& source, const Member& member, OutputSink sink);

}  // namespace unlha32
