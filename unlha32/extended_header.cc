#include "unlha32/extended_header.h"

#include <array>
#include <string>

#include "unlha32/byte_order.h"
#include "unlha32/crc16.h"

namespace unlha32 {
namespace {

// Extended header ids this reader uses; the others (comments, OS/2 and OS-9 data, time
// zone, UTF-16 names whose layout no sample confirms) are skipped.
enum ExtendedId : std::uint8_t {
  kCommon = 0x00,
  kFileName = 0x01,
  kFolderName = 0x02,
  kDosAttribute = 0x40,
  kLargeSizes = 0x42,
  kCodePage = 0x46,
  kUnixMode = 0x50,
  kUnixTime = 0x54,
  kUnixNewAttribute = 0xFF,
};

// Takes what `member` needs from one extended header. Fields too short for their content
// are skipped, except the header CRC, without which the header cannot be verified.
bool ApplyExtendedHeader(std::uint8_t id, std::span<const std::uint8_t> data, Member* member) {
  auto text = [&data] { return std::string(data.begin(), data.end()); };
  switch (id) {
    case kCommon:
      return data.size() >= 2;
    case kFileName:
      member->name = text();
      break;
    case kFolderName:
      member->folder = text();
      break;
    case kDosAttribute:
      if (data.size() >= 2) member->dos_attribute = Le16(data, 0);
      break;
    case kLargeSizes:
      if (data.size() >= 16) {
        member->packed_size = Le64(data, 0);
        member->original_size = Le64(data, 8);
        member->has_large_sizes = true;
      }
      break;
    case kCodePage:
      if (data.size() >= 4) member->code_page = Le32(data, 0);
      break;
    case kUnixMode:
      if (data.size() >= 2) member->unix_mode = Le16(data, 0);
      break;
    case kUnixTime:
      if (data.size() >= 4) member->unix_mtime = Le32(data, 0);
      break;
    case kUnixNewAttribute:
      if (data.size() >= 4) member->unix_mode = static_cast<std::uint16_t>(Le32(data, 0));
      break;
    default:
      break;
  }
  return true;
}

}  // namespace

ChainResult ReadExtendedHeaders(HeaderBytes& bytes, const ChainLayout& layout, Member* member) {
  ChainResult result;
  const std::size_t width = layout.size_width;
  const std::size_t minimum = 1 + width;  // id byte + next-size field
  std::size_t pos = layout.start;
  std::uint64_t next = layout.first_size;
  while (next != 0) {
    if (next < minimum || next > layout.end_limit - std::min(pos, layout.end_limit) ||
        next > layout.total_limit - result.total) {
      result.status = HeaderStatus::kBroken;
      return result;
    }
    std::size_t size = static_cast<std::size_t>(next);
    result.status = bytes.Need(pos + size);
    if (result.status != HeaderStatus::kOk) return result;
    std::span<const std::uint8_t> view = bytes.view();
    std::uint8_t id = view[pos];
    if (!ApplyExtendedHeader(id, view.subspan(pos + 1, size - minimum), member)) {
      result.status = HeaderStatus::kBroken;
      return result;
    }
    if (id == kCommon) result.crc_offset = pos + 1;
    result.total += size;
    next = LoadLe(view, pos + size - width, width);
    pos += size;
  }
  result.end = pos;
  return result;
}

std::uint16_t HeaderCrc(std::span<const std::uint8_t> bytes, std::size_t length,
                        std::size_t crc_offset) {
  static constexpr std::array<std::uint8_t, 2> kZeros{};
  std::uint16_t crc = Crc16(bytes.subspan(0, crc_offset));
  crc = Crc16(kZeros, crc);
  return Crc16(bytes.subspan(crc_offset + 2, length - crc_offset - 2), crc);
}

}  // namespace unlha32
