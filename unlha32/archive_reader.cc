#include "unlha32/archive_reader.h"

#include <limits>

#include "unlha32/header_parser.h"

namespace unlha32 {

ArchiveReader::ArchiveReader(ArchiveSource& source, Options options)
    : source_(source), options_(options) {}

ArchiveStart ArchiveReader::Start() {
  ArchiveStart start = FindArchiveStart(source_);
  started_ = true;
  position_ = start.offset;
  switch (start.kind) {
    case ArchiveStart::Kind::kPlain:
    case ArchiveStart::Kind::kSelfExtracting:
      break;
    case ArchiveStart::Kind::kEmpty:
      finished_ = true;
      final_status_ = HeaderStatus::kEndMark;
      break;
    case ArchiveStart::Kind::kNotArchive:
      finished_ = true;
      final_status_ = HeaderStatus::kBroken;
      break;
    case ArchiveStart::Kind::kReadError:
      finished_ = true;
      final_status_ = HeaderStatus::kReadError;
      break;
  }
  return start;
}

HeaderStatus ArchiveReader::Next(Member* member) {
  if (!started_) Start();
  while (!finished_) {
    if (position_ > source_.size()) {
      // The previous member's data runs past the end of the archive.
      final_status_ = HeaderStatus::kTruncated;
      break;
    }
    HeaderStatus status = ReadHeader(source_, position_, member);
    if (status == HeaderStatus::kOk) {
      position_ = member->data_end();
      return status;
    }
    final_status_ = status;
    bool damaged = status != HeaderStatus::kEndMark && status != HeaderStatus::kEndOfFile &&
                   status != HeaderStatus::kReadError;
    if (damaged && options_.recovery) {
      std::uint64_t limit = options_.recovery_window == 0
                                ? std::numeric_limits<std::uint64_t>::max()
                                : position_ + 1 + options_.recovery_window;
      if (std::optional<std::uint64_t> next = FindNextHeader(source_, position_ + 1, limit)) {
        ++skipped_headers_;
        position_ = *next;
        continue;
      }
    }
    break;
  }
  finished_ = true;
  return final_status_;
}

}  // namespace unlha32
