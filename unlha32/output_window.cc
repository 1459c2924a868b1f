#include "unlha32/output_window.h"

#include <algorithm>

#include "unlha32/crc16.h"

namespace unlha32 {

OutputWindow::OutputWindow(int ring_bits, std::uint64_t length, OutputSink sink)
    : ring_(std::size_t{1} << ring_bits, ' '),
      mask_(ring_.size() - 1),
      remaining_(length),
      sink_(sink) {}

void OutputWindow::SetHistory(std::span<const std::uint8_t> history) {
  std::size_t size = std::min(history.size(), ring_.size());
  std::memcpy(ring_.data() + ring_.size() - size, history.data() + history.size() - size, size);
}

void OutputWindow::Copy(std::uint32_t distance, std::uint32_t length) {
  std::size_t left = static_cast<std::size_t>(std::min<std::uint64_t>(length, remaining_));
  remaining_ -= left;
  std::size_t from = (position_ - distance) & mask_;
  while (left > 0) {
    // A run that wraps neither the source nor the destination.
    std::size_t run = std::min({left, ring_.size() - position_, ring_.size() - from});
    std::uint8_t* to = ring_.data() + position_;
    const std::uint8_t* source = ring_.data() + from;
    if (from < position_ && position_ - from < run) {
      // The copy overlaps what it writes: it repeats the last `distance` bytes.
      for (std::size_t i = 0; i < run; ++i) to[i] = source[i];
    } else {
      std::memmove(to, source, run);
    }
    position_ += run;
    from = (from + run) & mask_;
    left -= run;
    if (position_ == ring_.size()) Flush();
  }
}

void OutputWindow::Flush() {
  std::span<const std::uint8_t> bytes(ring_.data() + flushed_, position_ - flushed_);
  crc_ = Crc16(bytes, crc_);
  if (!failed_ && !bytes.empty() && !sink_(bytes)) failed_ = true;
  if (position_ == ring_.size()) position_ = 0;
  flushed_ = position_;
}

std::uint16_t OutputWindow::Finish() {
  Flush();
  return crc_;
}

}  // namespace unlha32
