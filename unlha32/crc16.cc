#include "unlha32/crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace unlha32 {
namespace {

// kTables[0] is the byte-at-a-time table; kTables[k] advances a byte through k more zero
// bytes, so that eight bytes are folded in with eight lookups and no dependency between
// them (the CRC runs over every decoded byte, so this matters).
constexpr std::array<std::array<std::uint16_t, 256>, 8> MakeTables() {
  std::array<std::array<std::uint16_t, 256>, 8> tables{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : (crc >> 1);
    }
    tables[0][i] = crc;
  }
  for (int k = 1; k < 8; ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      std::uint16_t previous = tables[k - 1][i];
      tables[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
    }
  }
  return tables;
}

constexpr auto kTables = MakeTables();

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
  const std::uint8_t* next = bytes.data();
  std::size_t left = bytes.size();
  for (; left >= 8; left -= 8, next += 8) {
    std::uint64_t word;
    std::memcpy(&word, next, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    word ^= crc;
    crc = static_cast<std::uint16_t>(
        kTables[7][word & 0xFF] ^ kTables[6][(word >> 8) & 0xFF] ^ kTables[5][(word >> 16) & 0xFF] ^
        kTables[4][(word >> 24) & 0xFF] ^ kTables[3][(word >> 32) & 0xFF] ^
        kTables[2][(word >> 40) & 0xFF] ^ kTables[1][(word >> 48) & 0xFF] ^ kTables[0][word >> 56]);
  }
  for (; left > 0; --left, ++next) {
    crc = static_cast<std::uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *next) & 0xFF]);
  }
  return crc;
}

}  // namespace unlha32
