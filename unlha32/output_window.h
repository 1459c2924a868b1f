#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/function_ref.h"

namespace unlha32 {

// Receives the decoded bytes of a member in order; returns false to stop decoding (the
// bytes could not be written).
using OutputSink = platform::FunctionRef<bool(std::span<const std::uint8_t>)>;

// The sliding dictionary of the LZ methods, and at the same time the output buffer: a ring
// that is handed to the sink, with the CRC-16 taken on the way, each time it fills. It
// holds exactly the member's original size, however many bytes the packed data asks for,
// so a member cannot expand beyond what its header declares.
class OutputWindow {
 public:
  // A ring of 2^`ring_bits` bytes (at least the method's dictionary), for a member of
  // `length` original bytes. Before the first byte the ring reads as spaces, which is what
  // the LHA methods assume of the text before the start.
  OutputWindow(int ring_bits, std::uint64_t length, OutputSink sink);

  // Replaces the bytes before the start (what a match reaching back past the first byte
  // reads): the last byte of `history` lies just before the first output byte.
  void SetHistory(std::span<const std::uint8_t> history);

  std::uint64_t remaining() const { return remaining_; }
  bool failed() const { return failed_; }

  // Appends one byte; needs remaining() > 0.
  void Put(std::uint8_t byte) {
    ring_[position_++] = byte;
    --remaining_;
    if (position_ == ring_.size()) Flush();
  }

  // Appends `length` bytes copied from `distance` bytes back (1 = the last byte written),
  // byte by byte as the methods define it, so a short distance repeats a pattern. Stops at
  // the declared length. `distance` must not exceed the ring.
  void Copy(std::uint32_t distance, std::uint32_t length);

  // Hands the rest to the sink. Returns the CRC-16 of all the bytes.
  std::uint16_t Finish();

 private:
  void Flush();

  std::vector<std::uint8_t> ring_;
  std::size_t mask_;
  std::size_t position_ = 0;  // where the next byte goes
  std::size_t flushed_ = 0;   // ring bytes before this one went to the sink
  std::uint64_t remaining_;
  OutputSink sink_;
  std::uint16_t crc_ = 0;
  bool failed_ = false;
};

}  // namespace unlha32
