#include "unlha32/bit_input.h"

#include <algorithm>

namespace unlha32 {

BitInput::BitInput(ArchiveSource& source, std::uint64_t offset, std::uint64_t length)
    : source_(source), offset_(offset), left_(length) {}

bool BitInput::LoadChunk() {
  if (left_ == 0 || read_error_) return false;
  std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, left_));
  chunk_.resize(size);
  if (!source_.Read(offset_, chunk_)) {
    read_error_ = true;
    return false;
  }
  offset_ += size;
  left_ -= size;
  next_ = chunk_.data();
  end_ = next_ + size;
  return true;
}

void BitInput::RefillSlowly() {
  while (available_ < kRefilledBits) {
    std::uint8_t byte = 0;
    if (next_ != end_ || LoadChunk()) {
      byte = *next_++;
    } else if (overrun_bytes_ <= kSlackBytes) {
      ++overrun_bytes_;
    }
    bits_ |= static_cast<std::uint64_t>(byte) << (56 - available_);
    available_ += 8;
  }
}

}  // namespace unlha32
