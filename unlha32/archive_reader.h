#pragma once

#include <cstdint>

#include "unlha32/archive_source.h"
#include "unlha32/member.h"
#include "unlha32/sfx_scan.h"

namespace unlha32 {

// Walks the members of one archive, header by header, seeking past the packed data.
class ArchiveReader {
 public:
  struct Options {
    // Skip a damaged header by looking for the next one that validates, instead of ending.
    bool recovery = false;
    // How far past a damaged header to look (0: to the end of the archive).
    std::uint64_t recovery_window = kSfxScanLimit;
  };

  ArchiveReader(ArchiveSource& source, Options options);

  // Locates the first header; call once before Next.
  ArchiveStart Start();

  // Reads the next member. kOk fills `member` (its data may still run past the end of a
  // truncated archive: the next call then answers kTruncated). kEndMark and kEndOfFile end
  // the archive normally; any other result ends it at damage. After the first result other
  // than kOk every call repeats that result.
  HeaderStatus Next(Member* member);

  // Where the next header is expected (after kEndMark: the end mark itself).
  std::uint64_t position() const { return position_; }
  int skipped_headers() const { return skipped_headers_; }

 private:
  ArchiveSource& source_;
  Options options_;
  std::uint64_t position_ = 0;
  bool started_ = false;
  bool finished_ = false;
  HeaderStatus final_status_ = HeaderStatus::kEndOfFile;
  int skipped_headers_ = 0;
};

}  // namespace unlha32
