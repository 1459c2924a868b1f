#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "platform/function_ref.h"

namespace unlha32 {

// Receives the decoded bytes of a member in order; returns false to stop decoding (the
// bytes could not be written).
using OutputSink = platform::FunctionRef<bool(std::span<const std::uint8_t>)>;

// The sliding dictionary of the LZ methods, and at the same time the output buffer: a ring
// that is handed to the sink, with the CRC-16 taken on the way, each time it fills. It
// holds exactly the member's original size, however many bytes the packed data asks for,
// so a member cannot expand beyond what its header declares.
//
// A match that reaches back before the first byte reads the text before the start: spaces,
// as the LHA methods assume, unless SetHistory says otherwise. That text is never stored in
// the ring, so a member costs no more than the ring it needs: the method's whole dictionary
// only when the member is at least that long.
class OutputWindow {
 public:
  // A ring of at most 2^`max_ring_bits` bytes (at least the longest distance the method
  // can code), less for a member of fewer than that many `length` original bytes.
  OutputWindow(int max_ring_bits, std::uint64_t length, OutputSink sink);

  // The text before the start: its last byte lies just before the first output byte;
  // further back than it reaches, spaces. `history` must outlive the window.
  void SetHistory(std::span<const std::uint8_t> history) { history_ = history; }

  std::uint64_t remaining() const { return remaining_; }
  bool failed() const { return failed_; }

  // Appends one byte; needs remaining() > 0.
  void Put(std::uint8_t byte) {
    ring_[position_++] = byte;
    ++written_;
    --remaining_;
    if (position_ == size_) Flush();
  }

  // Appends `length` bytes copied from `distance` bytes back (1 = the last byte written),
  // byte by byte as the methods define it, so a short distance repeats a pattern. Stops at
  // the declared length. `distance` must not exceed the longest the method can code.
  void Copy(std::uint32_t distance, std::uint32_t length);

  // Hands the rest to the sink. Returns the CRC-16 of all the bytes.
  std::uint16_t Finish();

 private:
  void Flush();
  // Byte `back` bytes before the first output byte (1 = the last one before it).
  std::uint8_t HistoryByte(std::uint64_t back) const {
    return back <= history_.size() ? history_[history_.size() - back] : ' ';
  }

  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> ring_;  // only ever read where written
  std::size_t mask_;
  std::size_t position_ = 0;  // where the next byte goes
  std::size_t flushed_ = 0;   // ring bytes before this one went to the sink
  std::uint64_t written_ = 0;
  std::uint64_t remaining_;
  std::span<const std::uint8_t> history_;
  OutputSink sink_;
  std::uint16_t crc_ = 0;
  bool failed_ = false;
};

}  // namespace unlha32
