#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace unlha32 {

// What reading one header gave.
enum class HeaderStatus {
  kOk,            // a member header, fully validated
  kEndMark,       // the single 0x00 byte that ends an archive
  kEndOfFile,     // the archive ends where the next header would start
  kTruncated,     // the header runs past the end of the archive
  kBadChecksum,   // the 8-bit checksum of a level 0/1 base header does not match
  kBadHeaderCrc,  // the CRC-16 of extended header 0x00 does not match
  kBroken,        // not a header, or a declared size outside what the format allows
  kReadError,     // the archive could not be read
};

// One member as its header describes it, before any conversion for the caller. Texts are
// the stored bytes; sizes are the final ones (extended header 0x42 applied).
struct Member {
  std::uint64_t header_offset = 0;
  std::uint64_t header_size = 0;  // base plus extended headers plus padding
  std::uint64_t data_offset = 0;  // where the packed data starts
  int level = 0;
  std::array<char, 5> method{};
  std::uint64_t packed_size = 0;
  std::uint64_t original_size = 0;
  // Offset 15: MS-DOS time (low word) and date (high word) in levels 0 and 1, Unix seconds
  // (UTC) in levels 2 and 3.
  std::uint32_t stamp = 0;
  std::uint8_t base_attribute = 0;  // offset 19
  std::uint16_t data_crc = 0;
  // The creating system's id byte; level 0 has none unless its extension area names one.
  std::optional<std::uint8_t> os_id;
  std::optional<std::uint16_t> dos_attribute;  // extended header 0x40
  std::optional<std::uint16_t> unix_mode;      // 0x50, 0xFF or the level 0 'U' area
  std::optional<std::uint32_t> unix_mtime;     // 0x54 or the level 0 'U' area
  std::optional<std::uint32_t> code_page;      // 0x46
  std::string name;    // file name (base field or 0x01), may hold separators in level 0/1
  std::string folder;  // 0x02: components separated and ended by 0xFF
  bool has_header_crc = false;
  bool has_large_sizes = false;  // 0x42 gave both sizes

  std::uint64_t data_end() const { return data_offset + packed_size; }
  std::string_view method_text() const { return {method.data(), method.size()}; }

  // Folder entries are "-lhd-"; Amiga LhA also stores empty folders as an empty, nameless
  // "-lh0-" member with a folder, which is the same thing.
  bool IsDirectory() const {
    if (method_text() == "-lhd-") return true;
    return method_text() == "-lh0-" && original_size == 0 && packed_size == 0 && name.empty() &&
           !folder.empty();
  }
};

}  // namespace unlha32
