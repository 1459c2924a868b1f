// LArc's methods: plain LZSS with matches that name an absolute place in a ring buffer that
// the decoder keeps in step with the encoder's, rather than a distance back.
//
// -lzs-: a 2 KiB ring, writing from 2048 - 17 on. Each item starts with a flag bit: 1, a
//        literal byte (8 bits); 0, a match of 11 bits ring position and 4 bits length - 2.
// -lz5-: a 4 KiB ring, writing from 4096 - 18 on, pre-filled with runs and ramps of every
//        byte value so that early matches find something. A flag byte (low bit first) rules
//        the next eight items: 1, a literal byte; 0, a match of two bytes: position in the
//        first byte and the high four bits of the second, length - 3 in its low four bits.
#include <array>

#include "unlha32/method_decoders.h"

namespace unlha32 {
namespace {

// Ring position `position`, `written` bytes after the start, seen as a distance back from
// the next byte. A ring the size of the method's stands before the start in the output
// window, so early matches read what the method's ring held there.
std::uint32_t DistanceOf(std::uint32_t position, std::uint32_t start, std::uint64_t written,
                         std::uint32_t ring_size) {
  std::uint32_t next = static_cast<std::uint32_t>((start + written) & (ring_size - 1));
  std::uint32_t distance = (next - position) & (ring_size - 1);
  return distance == 0 ? ring_size : distance;
}

// `ring` as the bytes before the start: rotated so that ring[start - 1] comes last.
template <std::size_t kSize>
std::array<std::uint8_t, kSize> HistoryOf(const std::array<std::uint8_t, kSize>& ring,
                                          std::uint32_t start) {
  std::array<std::uint8_t, kSize> history{};
  for (std::size_t i = 0; i < kSize; ++i) history[i] = ring[(start + i) % kSize];
  return history;
}

constexpr std::uint32_t kLzsRing = 2048;
constexpr std::uint32_t kLzsStart = kLzsRing - 17;
constexpr std::uint32_t kLz5Ring = 4096;
constexpr std::uint32_t kLz5Start = kLz5Ring - 18;

std::array<std::uint8_t, kLz5Ring> Lz5Ring() {
  std::array<std::uint8_t, kLz5Ring> ring{};
  std::size_t i = 0;
  for (int value = 0; value < 256; ++value) {
    for (int k = 0; k < 13; ++k) ring[i++] = static_cast<std::uint8_t>(value);
  }
  for (int value = 0; value < 256; ++value) ring[i++] = static_cast<std::uint8_t>(value);
  for (int value = 255; value >= 0; --value) ring[i++] = static_cast<std::uint8_t>(value);
  for (int k = 0; k < 128; ++k) ring[i++] = 0;
  while (i < kLz5Start) ring[i++] = ' ';
  return ring;
}

}  // namespace

bool DecodeLzs(BitInput& in, OutputWindow& out) {
  // The ring starts as spaces, which is what the window gives before the start anyway.
  const std::uint64_t length = out.remaining();
  while (out.remaining() > 0 && !out.failed()) {
    in.Refill();
    if (in.Bits(1) == 1) {
      out.Put(static_cast<std::uint8_t>(in.Bits(8)));
    } else {
      std::uint32_t position = in.Bits(11);
      std::uint32_t count = in.Bits(4) + 2;
      out.Copy(DistanceOf(position, kLzsStart, length - out.remaining(), kLzsRing), count);
    }
    if (in.overrun()) return false;
  }
  return true;
}

bool DecodeLz5(BitInput& in, OutputWindow& out) {
  static const std::array<std::uint8_t, kLz5Ring> kHistory = HistoryOf(Lz5Ring(), kLz5Start);
  out.SetHistory(kHistory);
  const std::uint64_t length = out.remaining();
  std::uint32_t flags = 0;  // the flag byte, with a marker bit above what is left of it
  while (out.remaining() > 0 && !out.failed()) {
    in.Refill();
    if (flags <= 1) flags = in.Bits(8) | 0x100;
    bool literal = (flags & 1) != 0;
    flags >>= 1;
    if (literal) {
      out.Put(static_cast<std::uint8_t>(in.Bits(8)));
    } else {
      std::uint32_t low = in.Bits(8);
      std::uint32_t high = in.Bits(8);
      std::uint32_t position = low | (high & 0xF0) << 4;
      out.Copy(DistanceOf(position, kLz5Start, length - out.remaining(), kLz5Ring),
               (high & 0x0F) + 3);
    }
    if (in.overrun()) return false;
  }
  return true;
}

}  // namespace unlha32
