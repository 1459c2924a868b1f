// -lh4- to -lh7-: the packed data is a series of blocks. Each block starts with
//
//   16 bits  the number of codes in the block
//   the code-length code  (19 symbols; lengths read as below, 5-bit count)
//   the literal/length code (510 symbols; lengths coded with the code-length code, 9-bit count)
//   the position code (dictionary bits + 1 symbols, at least 14; 4- or 5-bit count)
//
// and goes on with that many codes: a literal/length symbol below 256 is a byte; symbol s
// from 256 on copies s - 253 bytes from a distance given by a position symbol p: p itself
// for p < 2, otherwise 2^(p-1) plus the next p - 1 bits, the distance counting from 0 for
// the last byte written.
//
// A code whose count is 0 has one symbol, sent in the count's width, that takes no bits.
#include <array>

#include "unlha32/huffman_table.h"
#include "unlha32/method_decoders.h"

namespace unlha32 {
namespace {

constexpr int kLiteralSymbols = 510;  // 256 bytes and lengths 3..256
constexpr int kLengthSymbols = 19;    // of the code-length code
constexpr int kLengthCountBits = 5;
constexpr int kLiteralCountBits = 9;
constexpr int kMatchBase = 256 - 3;
// In the code-length code's own lengths, two bits after the third length give a run of
// zero lengths.
constexpr int kZeroRunAfter = 3;

constexpr int kLiteralPrimaryBits = 12;
constexpr int kSmallPrimaryBits = 8;

class StaticHuffmanDecoder {
 public:
  StaticHuffmanDecoder(BitInput& in, int dictionary_bits)
      : in_(in),
        position_symbols_(dictionary_bits < 14 ? 14 : dictionary_bits + 1),
        position_count_bits_(dictionary_bits <= 13 ? 4 : 5),
        position_(kSmallPrimaryBits) {}

  bool Run(OutputWindow& out) {
    std::uint32_t left_in_block = 0;
    while (out.remaining() > 0 && !out.failed()) {
      if (left_in_block == 0) {
        left_in_block = in_.Bits(16);
        if (left_in_block == 0 || !ReadCodes()) return false;
      }
      --left_in_block;
      in_.Refill();
      int symbol = literal_.Decode(in_);
      if (symbol < 0) return false;
      if (symbol < 256) {
        out.Put(static_cast<std::uint8_t>(symbol));
        continue;
      }
      int p = position_.Decode(in_);
      if (p < 0) return false;
      std::uint32_t distance =
          p < 2 ? static_cast<std::uint32_t>(p) : (std::uint32_t{1} << (p - 1)) | in_.Bits(p - 1);
      out.Copy(distance + 1, static_cast<std::uint32_t>(symbol - kMatchBase));
      if (in_.overrun()) return false;
    }
    return !in_.overrun();
  }

 private:
  bool ReadCodes() {
    return ReadLengths(length_code_, kLengthSymbols, kLengthCountBits, kZeroRunAfter) &&
           ReadLiteralLengths() &&
           ReadLengths(position_, position_symbols_, position_count_bits_, -1);
  }

  // Lengths sent as 3 bits; 7 goes on by one for each 1 bit that follows, up to a 0 bit.
  bool ReadLengths(HuffmanTable& table, int symbols, int count_bits, int zero_run_after) {
    int count = static_cast<int>(in_.Bits(count_bits));
    if (count == 0) return Single(table, symbols, count_bits);
    if (count > symbols) return false;
    std::array<std::uint8_t, 32> lengths{};
    for (int i = 0; i < count;) {
      in_.Refill();
      int length = static_cast<int>(in_.Peek(3));
      in_.Skip(3);
      if (length == 7) {
        while (in_.Peek(1) == 1) {
          in_.Skip(1);
          if (++length > HuffmanTable::kMaxCodeLength) return false;
        }
        in_.Skip(1);
      }
      lengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(length);
      if (i == zero_run_after) {
        // Writers may count zeros past the last length they send.
        i += static_cast<int>(in_.Bits(2));
        if (i > symbols) return false;
      }
    }
    return table.Build(std::span(lengths).first(static_cast<std::size_t>(symbols)));
  }

  // Literal/length code lengths, each a code-length symbol: 0 one zero length, 1 a run of
  // 3..18 zero lengths (4 more bits), 2 a run of 20..531 (9 more bits), n > 2 length n - 2.
  bool ReadLiteralLengths() {
    int count = static_cast<int>(in_.Bits(kLiteralCountBits));
    if (count == 0) return Single(literal_, kLiteralSymbols, kLiteralCountBits);
    if (count > kLiteralSymbols) return false;
    std::array<std::uint8_t, kLiteralSymbols> lengths{};
    for (int i = 0; i < count;) {
      in_.Refill();
      int symbol = length_code_.Decode(in_);
      if (symbol < 0) return false;
      if (symbol > 2) {
        lengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(symbol - 2);
        continue;
      }
      int zeros = symbol == 0   ? 1
                  : symbol == 1 ? 3 + static_cast<int>(in_.Bits(4))
                                : 20 + static_cast<int>(in_.Bits(9));
      i += zeros;
      if (i > kLiteralSymbols) return false;
    }
    return literal_.Build(lengths);
  }

  bool Single(HuffmanTable& table, int symbols, int count_bits) {
    int symbol = static_cast<int>(in_.Bits(count_bits));
    if (symbol >= symbols) return false;
    table.BuildSingle(static_cast<std::uint16_t>(symbol));
    return true;
  }

  BitInput& in_;
  const int position_symbols_;
  const int position_count_bits_;
  HuffmanTable length_code_{kSmallPrimaryBits};
  HuffmanTable literal_{kLiteralPrimaryBits};
  HuffmanTable position_;
};

}  // namespace

bool DecodeStaticHuffman(BitInput& in, OutputWindow& out, int dictionary_bits) {
  return StaticHuffmanDecoder(in, dictionary_bits).Run(out);
}

}  // namespace unlha32
