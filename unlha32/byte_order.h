#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace unlha32 {

// Little-endian loads from a byte span. Callers check the span's length first; a load past
// the end yields zero instead of reading outside the buffer, so a missed check shows up as a
// wrong field (and a fuzzer finding), never as a stray read.
inline std::uint32_t LoadLe(std::span<const std::uint8_t> bytes, std::size_t offset,
                            std::size_t width) {
  if (offset > bytes.size() || width > bytes.size() - offset) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = width; i > 0; --i) value = (value << 8) | bytes[offset + i - 1];
  return value;
}

inline std::uint8_t Le8(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint8_t>(LoadLe(bytes, offset, 1));
}
inline std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(LoadLe(bytes, offset, 2));
}
inline std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return LoadLe(bytes, offset, 4);
}
inline std::uint64_t Le64(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset > bytes.size() || 8 > bytes.size() - offset) return 0;
  return static_cast<std::uint64_t>(Le32(bytes, offset)) |
         (static_cast<std::uint64_t>(Le32(bytes, offset + 4)) << 32);
}

}  // namespace unlha32
