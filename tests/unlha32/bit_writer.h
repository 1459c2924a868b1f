#pragma once

// Writes packed data bit by bit, the most significant bit of each byte first, as the LZH
// methods read it, so that a test can spell out a stream code by code.
#include <cstdint>
#include <string>

namespace unlha32::test {

class BitWriter {
 public:
  BitWriter& Put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back('\0');
      if ((value >> i) & 1)
        bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (used_ % 8)));
      ++used_;
    }
    return *this;
  }
  // The bytes written, the last one padded with zero bits.
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int used_ = 0;
};

// A -lh4- to -lh7- block of `codes` codes whose three codes each have one symbol, sent in
// place of its lengths, so that every code of the block takes no bits at all.
inline BitWriter& SingleSymbolBlock(BitWriter& w, std::uint32_t codes, std::uint32_t literal,
                                    std::uint32_t position) {
  return w.Put(codes, 16).Put(0, 5).Put(0, 5).Put(0, 9).Put(literal, 9).Put(0, 4).Put(position, 4);
}

// A -lh5- block whose literal code has 'a' (code 0) and, unless `only_a`, 'b' (code 1).
inline BitWriter& TwoLetterBlock(BitWriter& w, std::uint32_t codes, bool only_a = false) {
  w.Put(codes, 16);
  // Code-length code: symbols 2 and 3 of one bit each (lengths 0, 0, 1, no zero run, 1).
  w.Put(4, 5).Put(0, 3).Put(0, 3).Put(1, 3).Put(0, 2).Put(1, 3);
  // Literal lengths: 97 zeros (symbol 2 and 97 - 20 in 9 bits), then one bit for 'a' and 'b'.
  w.Put(only_a ? 98 : 99, 9).Put(0, 1).Put(97 - 20, 9).Put(1, 1);
  if (!only_a) w.Put(1, 1);
  return w.Put(0, 4).Put(0, 4);  // position code: the single symbol 0
}

}  // namespace unlha32::test
