#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "unlha32/header_bytes.h"
#include "unlha32/member.h"

namespace unlha32 {

// How one level lays out its chain of extended headers.
struct ChainLayout {
  std::size_t start = 0;         // offset of the first extended header
  std::uint32_t first_size = 0;  // size announced for it by the base header (0 = none)
  std::size_t size_width = 2;    // width of each "size of the next header" field: 2 or 4
  // The chain must end at or before this offset (levels 2 and 3: the declared header size).
  std::size_t end_limit = 0;
  // The sum of all extended header sizes may not exceed this (level 1: the skip size).
  std::uint64_t total_limit = 0;
};

struct ChainResult {
  HeaderStatus status = HeaderStatus::kOk;
  std::size_t end = 0;                    // offset just past the last extended header
  std::uint64_t total = 0;                // sum of the extended header sizes
  std::optional<std::size_t> crc_offset;  // where extended header 0x00 keeps the header CRC
};

// Walks the chain of extended headers, asking `bytes` for each one only after checking its
// announced size against the minimum and both limits, and records what `member` needs from
// each. Every step moves forward by at least the minimum size, so the walk always ends.
ChainResult ReadExtendedHeaders(HeaderBytes& bytes, const ChainLayout& layout, Member* member);

// CRC-16 of the first `length` bytes of `bytes` with the two CRC bytes at `crc_offset`
// taken as zero, which is how writers compute the header CRC.
std::uint16_t HeaderCrc(std::span<const std::uint8_t> bytes, std::size_t length,
                        std::size_t crc_offset);

}  // namespace unlha32
