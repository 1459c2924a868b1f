#include "unlha32/mac_binary.h"

#include <algorithm>

namespace unlha32 {
namespace {

// Byte offsets in the 128-byte header.
constexpr std::size_t kOldVersion = 0;  // 0
constexpr std::size_t kNameLength = 1;  // 1 to 63, the name follows
constexpr std::size_t kZeroFill1 = 74;
constexpr std::size_t kZeroFill2 = 82;
constexpr std::size_t kDataLength = 83;
constexpr std::size_t kResourceLength = 87;
constexpr std::size_t kCommentLength = 99;
constexpr std::size_t kSecondaryLength = 120;  // MacBinary II
constexpr std::size_t kHeaderCrc = 124;        // MacBinary II: CRC of bytes 0 to 123
constexpr std::size_t kMaxNameLength = 63;

std::uint32_t Be32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 |
         bytes[at + 3];
}

std::uint16_t Be16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// CRC-16 with the CCITT polynomial, starting from 0, as MacBinary II computes it.
std::uint16_t CrcCcitt(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t byte : bytes) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

std::uint64_t Padded(std::uint64_t size) {
  return (size + kMacBinaryHeaderSize - 1) / kMacBinaryHeaderSize * kMacBinaryHeaderSize;
}

}  // namespace

std::optional<DataFork> MacBinaryDataFork(std::span<const std::uint8_t> header,
                                          std::uint64_t total_size) {
  if (header.size() < kMacBinaryHeaderSize || total_size < kMacBinaryHeaderSize) return {};
  if (header[kOldVersion] != 0 || header[kZeroFill1] != 0 || header[kZeroFill2] != 0) return {};
  if (header[kNameLength] == 0 || header[kNameLength] > kMaxNameLength) return {};
  const bool version_two = Be16(header, kHeaderCrc) == CrcCcitt(header.first(kHeaderCrc));
  // Version I leaves everything after the dates empty.
  const bool version_one =
      std::all_of(header.begin() + kCommentLength, header.begin() + kHeaderCrc + 2,
                  [](std::uint8_t byte) { return byte == 0; });
  if (!version_one && !version_two) return {};
  const std::uint64_t data = Be32(header, kDataLength);
  const std::uint64_t resource = Be32(header, kResourceLength);
  const std::uint64_t comment = version_two ? Be16(header, kCommentLength) : 0;
  const std::uint64_t start =
      kMacBinaryHeaderSize + Padded(version_two ? Be16(header, kSecondaryLength) : 0);
  // The last part present may go unpadded.
  const std::uint64_t least = start + (resource != 0 ? Padded(data) + resource : data);
  const std::uint64_t most = start + Padded(data) + Padded(resource) + Padded(comment);
  if (total_size < least || total_size > most) return {};
  return DataFork{start, data};
}

}  // namespace unlha32
