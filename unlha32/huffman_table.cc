#include "unlha32/huffman_table.h"

#include <algorithm>
#include <array>

namespace unlha32 {

HuffmanTable::HuffmanTable(int primary_bits) : primary_bits_(primary_bits) { BuildSingle(0); }

void HuffmanTable::BuildSingle(std::uint16_t symbol) {
  table_.assign(std::size_t{1} << primary_bits_, symbol);
}

bool HuffmanTable::Build(std::span<const std::uint8_t> lengths) {
  std::array<int, kMaxCodeLength + 1> count{};
  int max_length = 0;
  for (std::uint8_t length : lengths) {
    if (length > kMaxCodeLength) return false;
    ++count[length];
    max_length = std::max<int>(max_length, length);
  }
  count[0] = 0;
  int room = 1;
  std::array<std::uint32_t, kMaxCodeLength + 1> next{};
  for (int length = 1; length <= kMaxCodeLength; ++length) {
    room = (room << 1) - count[length];
    if (room < 0) return false;
    next[length] = (next[length - 1] + static_cast<std::uint32_t>(count[length - 1])) << 1;
  }

  const int sub_bits = std::max(0, max_length - primary_bits_);
  table_.assign(std::size_t{1} << primary_bits_, kInvalid);
  for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    const int length = lengths[symbol];
    if (length == 0) continue;
    const std::uint32_t code = next[length]++;
    const std::uint32_t entry =
        static_cast<std::uint32_t>(symbol) | static_cast<std::uint32_t>(length) << kLengthShift;
    if (length <= primary_bits_) {
      auto first = table_.begin() + (code << (primary_bits_ - length));
      std::fill(first, first + (1 << (primary_bits_ - length)), entry);
      continue;
    }
    const std::size_t prefix = code >> (length - primary_bits_);
    if (table_[prefix] == kInvalid) {
      table_[prefix] = kLink | static_cast<std::uint32_t>(sub_bits) << kLengthShift |
                       static_cast<std::uint32_t>(table_.size());
      table_.resize(table_.size() + (std::size_t{1} << sub_bits), kInvalid);
    }
    const int extra = length - primary_bits_;
    auto first = table_.begin() + (table_[prefix] & kSymbolMask) +
                 ((code & ((1u << extra) - 1)) << (sub_bits - extra));
    std::fill(first, first + (1 << (sub_bits - extra)), entry);
  }
  return true;
}

}  // namespace unlha32
