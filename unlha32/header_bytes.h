#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "unlha32/archive_source.h"
#include "unlha32/member.h"

namespace unlha32 {

// The bytes of one header, read from the archive as far as the parser has asked. The
// parser asks for each part only after checking the size that announced it, so the buffer
// never grows past what the header claims and kMaxHeaderSize.
class HeaderBytes {
 public:
  HeaderBytes(ArchiveSource& source, std::uint64_t offset, std::size_t limit)
      : source_(source), offset_(offset), limit_(limit) {
    bytes_.reserve(kTypicalHeader);
  }

  // Makes the first `length` bytes readable. kOk, kTruncated when the archive ends first,
  // kBroken when `length` exceeds the limit, kReadError when reading fails.
  HeaderStatus Need(std::size_t length) {
    if (length <= bytes_.size()) return HeaderStatus::kOk;
    if (length > limit_) return HeaderStatus::kBroken;
    if (offset_ > source_.size() || length > source_.size() - offset_) {
      return HeaderStatus::kTruncated;
    }
    std::size_t have = bytes_.size();
    bytes_.resize(length);
    if (!source_.Read(offset_ + have, std::span(bytes_).subspan(have))) {
      bytes_.resize(have);
      return HeaderStatus::kReadError;
    }
    return HeaderStatus::kOk;
  }

  std::span<const std::uint8_t> view() const { return bytes_; }
  std::uint64_t offset() const { return offset_; }
  std::size_t limit() const { return limit_; }

 private:
  static constexpr std::size_t kTypicalHeader = 256;

  ArchiveSource& source_;
  std::uint64_t offset_;
  std::size_t limit_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace unlha32
