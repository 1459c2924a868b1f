#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "unlha32/archive_source.h"
#include "unlha32/member.h"

namespace unlha32 {

// No real header comes near this; a longer one is treated as broken so that a hostile
// size field cannot make the reader allocate more.
inline constexpr std::size_t kMaxHeaderSize = 1024 * 1024;

// The bytes every level shares up to the level byte at offset 20.
inline constexpr std::size_t kCommonSize = 21;

// Reads and validates the header at `offset`. On kOk `member` holds it; on any other
// result `member` is unspecified. Never reads outside the archive, and treats a header
// longer than `header_limit` (at most kMaxHeaderSize) as broken.
HeaderStatus ReadHeader(ArchiveSource& source, std::uint64_t offset, Member* member,
                        std::size_t header_limit = kMaxHeaderSize);

// Whether `bytes` (at least kCommonSize of them) start like a header: a method id of the
// form "-xxx-" at offset 2 and a level of 0 to 3 at offset 20. Cheap; says nothing about
// whether the header is valid.
bool LooksLikeHeader(std::span<const std::uint8_t> bytes);

}  // namespace unlha32
