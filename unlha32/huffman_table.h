#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "unlha32/bit_input.h"

namespace unlha32 {

// A canonical Huffman code given by its code lengths (codes assigned in order of length,
// then of symbol, the first code of each length following the last one of the length
// before), decoded through a table indexed by the next `primary_bits` bits of the stream
// and, for longer codes, one small second-level table per prefix.
class HuffmanTable {
 public:
  static constexpr int kMaxCodeLength = 16;

  // A table of the next `primary_bits` bits (up to kMaxCodeLength), holding the code of
  // the one symbol 0 until a code is built.
  explicit HuffmanTable(int primary_bits);

  // Builds the code in which symbol i has a code of lengths[i] bits (0: the symbol does not
  // occur). Returns false when a length exceeds kMaxCodeLength or the lengths ask for more
  // codes than there are (an over-subscribed code). A code with room to spare is accepted:
  // its unused codes decode as invalid.
  bool Build(std::span<const std::uint8_t> lengths);

  // A code of the one symbol `symbol`, which takes no bits at all.
  void BuildSingle(std::uint16_t symbol);

  // Decodes one symbol, or returns -1 for a code that stands for none. Needs
  // kMaxCodeLength bits available in `input`.
  int Decode(BitInput& input) const {
    std::uint32_t entry = table_[input.Peek(primary_bits_)];
    if ((entry & kLink) != 0) {
      int bits = static_cast<int>((entry >> kLengthShift) & 0xFF);
      std::uint32_t index = input.Peek(primary_bits_ + bits) & ((std::uint32_t{1} << bits) - 1);
      entry = table_[(entry & kSymbolMask) + index];
    }
    if (entry == kInvalid) return -1;
    input.Skip(static_cast<int>(entry >> kLengthShift));
    return static_cast<int>(entry & kSymbolMask);
  }

 private:
  // An entry: symbol (or the offset of a second-level table) in the low 16 bits, the code
  // length (or the second-level table's index bits) above them, the link flag on top.
  static constexpr std::uint32_t kSymbolMask = 0xFFFF;
  static constexpr int kLengthShift = 16;
  static constexpr std::uint32_t kLink = 0x80000000u;
  static constexpr std::uint32_t kInvalid = 0x7FFFFFFFu;

  int primary_bits_;
  std::vector<std::uint32_t> table_;
};

}  // namespace unlha32
