#include "unlha32/output_window.h"

#include <algorithm>

#include "unlha32/crc16.h"

namespace unlha32 {
namespace {

template <typename Word>
inline Word Load(const std::uint8_t* from) {
  Word word;
  std::memcpy(&word, from, sizeof word);
  return word;
}

template <typename Word>
inline void Store(std::uint8_t* to, Word word) {
  std::memcpy(to, &word, sizeof word);
}

// Copies forward, as the methods define a match: where the source starts less than
// `count` bytes behind the destination, bytes written earlier in the same copy are read
// again, so the bytes between source and destination repeat.
inline void CopyForward(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
  const std::size_t gap =
      from < to ? static_cast<std::size_t>(to - from) : static_cast<std::size_t>(from - to);
  if (from < to && gap < count) {
    // [from, to) holds one period; copying from its start, each step doubles the stretch
    // that can be copied without overlap.
    while (count > 0) {
      std::size_t step = std::min(count, static_cast<std::size_t>(to - from));
      std::memcpy(to, from, step);
      to += step;
      count -= step;
    }
  } else if (gap < 8 || count > 64) {
    // A source just ahead of the destination (a match reaching back almost the whole
    // ring) or a long copy: a forward copy that reads each byte before it is written.
    if (gap < 8) {
      for (; count > 0; --count) *to++ = *from++;
    } else {
      std::memmove(to, from, count);
    }
  } else if (count >= 8) {
    // Words, the last one overlapping the one before; source and destination lie at least
    // a word apart, so no word reads what another one wrote.
    const std::uint64_t last = Load<std::uint64_t>(from + count - 8);
    for (std::size_t at = 0; at + 8 < count; at += 8) {
      Store(to + at, Load<std::uint64_t>(from + at));
    }
    Store(to + count - 8, last);
  } else if (count >= 4) {
    const std::uint32_t first = Load<std::uint32_t>(from),
                        last = Load<std::uint32_t>(from + count - 4);
    Store(to, first);
    Store(to + count - 4, last);
  } else if (count >= 2) {
    const std::uint16_t first = Load<std::uint16_t>(from),
                        last = Load<std::uint16_t>(from + count - 2);
    Store(to, first);
    Store(to + count - 2, last);
  } else if (count == 1) {
    *to = *from;
  }
}

// The smallest ring worth a write to the sink when the member is longer than it.
constexpr int kMinRingBits = 12;

int RingBits(int max_ring_bits, std::uint64_t length) {
  int bits = kMinRingBits;
  while (bits < max_ring_bits && (std::uint64_t{1} << bits) < length) ++bits;
  return bits;
}

}  // namespace

OutputWindow::OutputWindow(int max_ring_bits, std::uint64_t length, OutputSink sink)
    : size_(std::size_t{1} << RingBits(max_ring_bits, length)),
      ring_(new std::uint8_t[size_]),
      mask_(size_ - 1),
      remaining_(length),
      sink_(sink) {}

void OutputWindow::Copy(std::uint32_t distance, std::uint32_t length) {
  std::size_t left = static_cast<std::size_t>(std::min<std::uint64_t>(length, remaining_));
  // Before the start: byte by byte until the source reaches the first byte written.
  for (; left > 0 && distance > written_; --left) Put(HistoryByte(distance - written_));
  remaining_ -= left;
  written_ += left;
  std::size_t from = (position_ - distance) & mask_;
  while (left > 0) {
    // A run that wraps neither the source nor the destination.
    std::size_t run = std::min({left, size_ - position_, size_ - from});
    CopyForward(ring_.get() + position_, ring_.get() + from, run);
    position_ += run;
    from = (from + run) & mask_;
    left -= run;
    if (position_ == size_) Flush();
  }
}

void OutputWindow::Flush() {
  std::span<const std::uint8_t> bytes(ring_.get() + flushed_, position_ - flushed_);
  crc_ = Crc16(bytes, crc_);
  if (!failed_ && !bytes.empty() && !sink_(bytes)) failed_ = true;
  if (position_ == size_) position_ = 0;
  flushed_ = position_;
}

std::uint16_t OutputWindow::Finish() {
  Flush();
  return crc_;
}

}  // namespace unlha32
