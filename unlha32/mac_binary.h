#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace unlha32 {

// MacLHA packs a Macintosh file as MacBinary: a 128-byte header (name, type, creator, the
// two fork lengths, big-endian), an optional secondary header, the data fork and the resource
// fork, each padded to 128 bytes. Another system wants the data fork, the file as the user
// made it.
constexpr std::size_t kMacBinaryHeaderSize = 128;

struct DataFork {
  std::uint64_t offset;  // from the start of the member's data
  std::uint64_t size;
};

// Where the data fork lies, when `header` (the first 128 bytes of a member of `total_size`
// bytes) is a valid MacBinary header (version I or II) whose forks account for the member's
// size exactly; nothing otherwise.
std::optional<DataFork> MacBinaryDataFork(std::span<const std::uint8_t> header,
                                          std::uint64_t total_size);

}  // namespace unlha32
