#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "unlha32/archive_source.h"

namespace unlha32 {

// The packed data of one member as a stream of bits, the most significant bit of each byte
// first (the order of every LZH method). The archive is read through one fixed buffer.
//
// Past the end of the packed data the stream yields zero bits, so that a decoder never has
// to test for the end before each code. Real data never needs them: once a decoder has
// asked for more than a few bytes beyond the end, `overrun()` turns true and the decoder
// gives up on the member as damaged. That also bounds the work a hostile member can cause.
class BitInput {
 public:
  // After Refill, this many bits can be peeked or skipped without another Refill.
  static constexpr int kRefilledBits = 57;

  BitInput(ArchiveSource& source, std::uint64_t offset, std::uint64_t length);

  // Makes at least kRefilledBits bits available.
  void Refill() {
    if (available_ >= kRefilledBits) return;
    if (end_ - next_ >= 8) {
      // Eight bytes at once. The bits beyond the whole bytes taken are the stream's next
      // bits, so OR-ing them in again at the next refill changes nothing.
      std::uint64_t word;
      std::memcpy(&word, next_, sizeof word);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      bits_ |= word >> available_;
      int bytes = (64 - available_) >> 3;
      next_ += bytes;
      available_ += bytes * 8;
      return;
    }
    RefillSlowly();
  }

  // The next `count` bits (1 to 32) without consuming them; needs them available.
  std::uint32_t Peek(int count) const { return static_cast<std::uint32_t>(bits_ >> (64 - count)); }
  void Skip(int count) {
    bits_ <<= count;
    available_ -= count;
  }

  // The next `count` bits (0 to 32), refilling as needed.
  std::uint32_t Bits(int count) {
    if (count == 0) return 0;
    if (available_ < count) Refill();
    std::uint32_t value = Peek(count);
    Skip(count);
    return value;
  }
  int Bit() { return static_cast<int>(Bits(1)); }

  // The decoder has read well past the end of the packed data, or reading failed.
  bool overrun() const { return overrun_bytes_ > kSlackBytes || read_error_; }
  bool read_error() const { return read_error_; }

 private:
  static constexpr std::size_t kChunkSize = 64 * 1024;
  // Zero bytes past the end that a decoder may look at (it peeks ahead of what it uses).
  static constexpr int kSlackBytes = 16;

  void RefillSlowly();
  bool LoadChunk();

  ArchiveSource& source_;
  std::uint64_t offset_;  // of the next chunk
  std::uint64_t left_;    // packed bytes not yet loaded
  std::vector<std::uint8_t> chunk_;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint64_t bits_ = 0;  // the available bits, left-aligned
  int available_ = 0;
  int overrun_bytes_ = 0;
  bool read_error_ = false;
};

}  // namespace unlha32
