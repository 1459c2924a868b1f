#include "unlha32/header_parser.h"

#include <cstring>
#include <limits>
#include <numeric>

#include "unlha32/byte_order.h"
#include "unlha32/extended_header.h"
#include "unlha32/header_bytes.h"

namespace unlha32 {
namespace {

// Offsets every level shares (the meaning of 0, 1 and 7 differs by level).
constexpr std::size_t kMethodAt = 2;
constexpr std::size_t kPackedAt = 7;
constexpr std::size_t kOriginalAt = 11;
constexpr std::size_t kStampAt = 15;
constexpr std::size_t kAttributeAt = 19;
constexpr std::size_t kLevelAt = 20;

// A level 2 writer pads a header whose size would end in a 0x00 byte (it would read as the
// end mark) with one extra byte.
constexpr std::size_t kMaxPadding = 1;

// OS-9/68k LHa writes a level 2 header size that leaves out its own two bytes.
constexpr std::uint8_t kOs9_68k = 'K';

bool IsMethodChar(std::uint8_t c) { return c >= 0x20 && c < 0x7F; }

void ReadCommonFields(std::span<const std::uint8_t> h, Member* m) {
  std::memcpy(m->method.data(), h.data() + kMethodAt, m->method.size());
  m->packed_size = Le32(h, kPackedAt);
  m->original_size = Le32(h, kOriginalAt);
  m->stamp = Le32(h, kStampAt);
  m->base_attribute = h[kAttributeAt];
  m->level = h[kLevelAt];
}

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

HeaderStatus VerifyHeaderCrc(std::span<const std::uint8_t> h, std::size_t length,
                             const ChainResult& chain, Member* m) {
  if (!chain.crc_offset) return HeaderStatus::kOk;
  m->has_header_crc = true;
  std::uint16_t stored = Le16(h, *chain.crc_offset);
  return HeaderCrc(h, length, *chain.crc_offset) == stored ? HeaderStatus::kOk
                                                           : HeaderStatus::kBadHeaderCrc;
}

HeaderStatus Finish(const HeaderBytes& bytes, std::size_t header_size, Member* m) {
  m->header_offset = bytes.offset();
  m->header_size = header_size;
  m->data_offset = bytes.offset() + header_size;
  if (m->packed_size > std::numeric_limits<std::uint64_t>::max() - m->data_offset) {
    return HeaderStatus::kBroken;
  }
  return HeaderStatus::kOk;
}

// Level 0: the whole header is HS + 2 bytes; the data follows it.
//
//    0  HS      header bytes after offset 1     15  MS-DOS time, date (local)
//    1  sum     checksum of bytes [2, HS+2)     19  MS-DOS attribute
//    2  method  "-lh5-"                         20  level (0)
//    7  packed size (u32)                       21  N, path length
//   11  original size (u32)                     22  path (N bytes, "\" separated)
//                                             22+N  CRC-16 of the data
//                                             24+N  extension area, up to HS+2
constexpr std::size_t kL0MinHs = 22;
constexpr std::size_t kL0NameLengthAt = 21;
constexpr std::size_t kL0NameAt = 22;

void ReadLevel0Extension(std::span<const std::uint8_t> area, Member* m) {
  if (area.empty()) return;
  // LHa for UNIX: 'U', minor version, mtime (u32), mode (u16), uid, gid.
  if (area[0] == 'U') {
    m->os_id = 'U';
    if (area.size() >= 8) {
      m->unix_mtime = Le32(area, 2);
      m->unix_mode = Le16(area, 6);
    }
  } else if (area[0] == '9' || area[0] == 'K') {
    m->os_id = area[0];
  }
}

HeaderStatus ParseLevel0(HeaderBytes& bytes, Member* m) {
  if (HeaderStatus s = bytes.Need(kL0NameAt); s != HeaderStatus::kOk) return s;
  std::span<const std::uint8_t> h = bytes.view();
  std::size_t hs = h[0];
  std::size_t n = h[kL0NameLengthAt];
  if (hs < kL0MinHs || kL0NameAt + n + 2 > hs + 2) return HeaderStatus::kBroken;
  std::size_t total = hs + 2;
  if (HeaderStatus s = bytes.Need(total); s != HeaderStatus::kOk) return s;
  h = bytes.view();
  if (Checksum(h.subspan(2, total - 2)) != h[1]) return HeaderStatus::kBadChecksum;
  ReadCommonFields(h, m);
  m->name.assign(h.begin() + kL0NameAt, h.begin() + kL0NameAt + n);
  m->data_crc = Le16(h, kL0NameAt + n);
  ReadLevel0Extension(h.subspan(kL0NameAt + n + 2, total - (kL0NameAt + n + 2)), m);
  return Finish(bytes, total, m);
}

// Level 1: a level 0 style base of HS + 2 bytes, then extended headers, then the data.
//
//    0  HS      base bytes after offset 1       21  N, file name length
//    1  sum     checksum of bytes [2, HS+2)     22  file name (N bytes)
//    2  method                                22+N  CRC-16 of the data
//    7  skip size: packed size + the sizes    24+N  OS id
//       of all extended headers               25+N  size of the first extended header
//   11  original size (u32)                         (the last two bytes of the base)
//   15  MS-DOS time, date (local)             HS+2  extended headers (2-byte sizes)
//   19  reserved                                    then the packed data
constexpr std::size_t kL1MinHs = 25;
constexpr std::size_t kL1NameLengthAt = 21;
constexpr std::size_t kL1NameAt = 22;

HeaderStatus ParseLevel1(HeaderBytes& bytes, Member* m) {
  if (HeaderStatus s = bytes.Need(kL1NameAt); s != HeaderStatus::kOk) return s;
  std::span<const std::uint8_t> h = bytes.view();
  std::size_t hs = h[0];
  std::size_t n = h[kL1NameLengthAt];
  if (hs < kL1MinHs || kL1NameAt + n + 5 > hs + 2) return HeaderStatus::kBroken;
  std::size_t base = hs + 2;
  if (HeaderStatus s = bytes.Need(base); s != HeaderStatus::kOk) return s;
  h = bytes.view();
  if (Checksum(h.subspan(2, base - 2)) != h[1]) return HeaderStatus::kBadChecksum;
  ReadCommonFields(h, m);
  std::uint64_t skip_size = m->packed_size;
  m->name.assign(h.begin() + kL1NameAt, h.begin() + kL1NameAt + n);
  m->data_crc = Le16(h, kL1NameAt + n);
  m->os_id = h[kL1NameAt + n + 2];

  ChainLayout layout{.start = base,
                     .first_size = Le16(h, base - 2),
                     .size_width = 2,
                     .end_limit = bytes.limit(),
                     .total_limit = skip_size};
  ChainResult chain = ReadExtendedHeaders(bytes, layout, m);
  if (chain.status != HeaderStatus::kOk) return chain.status;
  // Extended header 0x42 replaces the sizes; otherwise the packed size is what the skip
  // size leaves after the extended headers.
  if (!m->has_large_sizes) m->packed_size = skip_size - chain.total;
  if (HeaderStatus s = VerifyHeaderCrc(bytes.view(), chain.end, chain, m); s != HeaderStatus::kOk) {
    return s;
  }
  return Finish(bytes, chain.end, m);
}

// Levels 2 and 3 declare the size of the whole header: the extended headers must end inside
// it (with at most the one padding byte writers add), and its CRC must match.
HeaderStatus FinishWholeHeader(HeaderBytes& bytes, std::size_t base_size, std::uint32_t first_size,
                               std::size_t size_width, std::size_t total, Member* m) {
  ChainLayout layout{.start = base_size,
                     .first_size = first_size,
                     .size_width = size_width,
                     .end_limit = total,
                     .total_limit = total};
  ChainResult chain = ReadExtendedHeaders(bytes, layout, m);
  if (chain.status != HeaderStatus::kOk) return chain.status;
  if (total - chain.end > kMaxPadding) return HeaderStatus::kBroken;
  if (HeaderStatus s = VerifyHeaderCrc(bytes.view(), total, chain, m); s != HeaderStatus::kOk) {
    return s;
  }
  return Finish(bytes, total, m);
}

// Level 2: offset 0 holds the size of the whole header, extended headers included.
//
//    0  header size (u16)                       21  CRC-16 of the data
//    2  method                                  23  OS id
//    7  packed size (u32)                       24  size of the first extended header
//   11  original size (u32)                     26  extended headers (2-byte sizes),
//   15  Unix time (UTC)                             then at most one byte of padding
//   19  reserved
constexpr std::size_t kL2BaseSize = 26;
constexpr std::size_t kL2CrcAt = 21;
constexpr std::size_t kL2OsAt = 23;
constexpr std::size_t kL2FirstSizeAt = 24;

HeaderStatus ParseLevel2(HeaderBytes& bytes, Member* m) {
  if (HeaderStatus s = bytes.Need(kL2BaseSize); s != HeaderStatus::kOk) return s;
  std::span<const std::uint8_t> h = bytes.view();
  std::size_t total = Le16(h, 0);
  if (h[kL2OsAt] == kOs9_68k) total += 2;
  if (total < kL2BaseSize) return HeaderStatus::kBroken;
  if (HeaderStatus s = bytes.Need(total); s != HeaderStatus::kOk) return s;
  h = bytes.view();
  ReadCommonFields(h, m);
  m->data_crc = Le16(h, kL2CrcAt);
  m->os_id = h[kL2OsAt];

  return FinishWholeHeader(bytes, kL2BaseSize, Le16(h, kL2FirstSizeAt), 2, total, m);
}

// Level 3: sizes are 32-bit; offset 0 is the width of the size fields (always 4).
//
//    0  word size (u16, 4)                      21  CRC-16 of the data
//    2  method                                  23  OS id
//    7  packed size (u32)                       24  header size (u32)
//   11  original size (u32)                     28  size of the first extended header
//   15  Unix time (UTC)                         32  extended headers (4-byte sizes)
//   19  reserved
constexpr std::size_t kL3BaseSize = 32;
constexpr std::uint16_t kL3WordSize = 4;
constexpr std::size_t kL3CrcAt = 21;
constexpr std::size_t kL3OsAt = 23;
constexpr std::size_t kL3TotalAt = 24;
constexpr std::size_t kL3FirstSizeAt = 28;

HeaderStatus ParseLevel3(HeaderBytes& bytes, Member* m) {
  if (HeaderStatus s = bytes.Need(kL3BaseSize); s != HeaderStatus::kOk) return s;
  std::span<const std::uint8_t> h = bytes.view();
  if (Le16(h, 0) != kL3WordSize) return HeaderStatus::kBroken;
  std::uint32_t total = Le32(h, kL3TotalAt);
  if (total < kL3BaseSize || total > bytes.limit()) return HeaderStatus::kBroken;
  if (HeaderStatus s = bytes.Need(total); s != HeaderStatus::kOk) return s;
  h = bytes.view();
  ReadCommonFields(h, m);
  m->data_crc = Le16(h, kL3CrcAt);
  m->os_id = h[kL3OsAt];

  return FinishWholeHeader(bytes, kL3BaseSize, Le32(h, kL3FirstSizeAt), 4, total, m);
}

}  // namespace

bool LooksLikeHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kCommonSize) return false;
  return bytes[kMethodAt] == '-' && bytes[kMethodAt + 4] == '-' &&
         IsMethodChar(bytes[kMethodAt + 1]) && IsMethodChar(bytes[kMethodAt + 2]) &&
         IsMethodChar(bytes[kMethodAt + 3]) && bytes[kLevelAt] <= 3;
}

HeaderStatus ReadHeader(ArchiveSource& source, std::uint64_t offset, Member* member,
                        std::size_t header_limit) {
  if (offset == source.size()) return HeaderStatus::kEndOfFile;
  HeaderBytes bytes(source, offset, header_limit);
  if (HeaderStatus s = bytes.Need(1); s != HeaderStatus::kOk) return s;
  if (bytes.view()[0] == 0) return HeaderStatus::kEndMark;
  if (HeaderStatus s = bytes.Need(kCommonSize); s != HeaderStatus::kOk) return s;
  if (!LooksLikeHeader(bytes.view())) return HeaderStatus::kBroken;
  *member = Member{};
  switch (bytes.view()[kLevelAt]) {
    case 0:
      return ParseLevel0(bytes, member);
    case 1:
      return ParseLevel1(bytes, member);
    case 2:
      return ParseLevel2(bytes, member);
    default:
      return ParseLevel3(bytes, member);
  }
}

}  // namespace unlha32
