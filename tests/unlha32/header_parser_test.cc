// Crafted headers for what the corpus does not reach: damage, hostile sizes, truncation,
// the extended headers no sample carries.
#include "unlha32/header_parser.h"

#include <gtest/gtest.h>

#include <limits>

#include "header_builder.h"
#include "unlha32/member_name.h"

namespace unlha32::test {
namespace {

// Each case damages one thing. Unless a byte is flipped afterwards, the checksum and CRC
// match what is written, so only the size checks can catch it.
TEST(HeaderParser, RejectsMalformedHeaders) {
  struct Case {
    const char* what;
    HeaderBuilder builder;
    HeaderStatus expected;
    std::vector<std::pair<int, std::uint8_t>> flips = {};  // XOR masks; at < 0 is from the end
    std::size_t keep = std::numeric_limits<std::size_t>::max();
  };
  using enum HeaderStatus;
  const Case cases[] = {
      {"level 0 checksum", {.level = 0}, kBadChecksum, {{1, 1}}},
      {"level 0 name under the checksum", {.level = 0}, kBadChecksum, {{22, 1}}},
      {"level 1 checksum", {.level = 1}, kBadChecksum, {{1, 1}}},
      {"level 1 header CRC", {.level = 1}, kBadHeaderCrc, {{-8, 0x40}}},
      {"level 2 packed size under the header CRC", {.level = 2}, kBadHeaderCrc, {{10, 1}}},
      {"level 3 packed size under the header CRC", {.level = 3}, kBadHeaderCrc, {{10, 1}}},
      {"level 0 HS of 21, below its minimum", {.level = 0}, kBroken, {{0, 30 ^ 21}}},
      {"level 0 name longer than the header", {.level = 0, .name_length = 200}, kBroken},
      {"level 1 name past the base", {.level = 1, .name_length = 100}, kBroken},
      {"level 1 chain past the skip size", {.level = 1, .declared_size = 3}, kBroken},
      {"level 2 size smaller than its base", {.level = 2, .declared_size = 20}, kBroken},
      {"level 2 size cutting the chain", {.level = 2, .declared_size = 40}, kBroken},
      {"level 2 size beyond the file", {.level = 2, .declared_size = 60000}, kTruncated},
      // Its header is 42 bytes.
      {"level 2 padded by two bytes", {.level = 2, .declared_size = 44}, kBroken},
      {"level 3 size beyond any header", {.level = 3, .declared_size = 0xFFFFFFFF}, kBroken},
      {"level 3 size smaller than its base", {.level = 3, .declared_size = 31}, kBroken},
      {"not a method id", {.method = "xlh5x"}, kBroken},
      // Shorter than its own id and size fields.
      {"level 1 extended header of 1 byte", {.level = 1, .first_size = 1}, kBroken},
      {"level 2 extended header of 1 byte", {.level = 2, .first_size = 1}, kBroken},
      {"level 3 extended header of 1 byte", {.level = 3, .first_size = 1}, kBroken},
      {"header CRC without its two bytes", {.exts = {{0x00, {}}}, .header_crc = false}, kBroken},
      // The last extended header announces another of 0xFFFF bytes.
      {"level 1 chain past the file",
       {.level = 1, .data = "", .declared_size = 0xFFFFFFF0},
       kTruncated,
       {{-2, 0xFF}, {-1, 0xFF}}},
      {"packed size overflowing the offset", {.exts = {{0x42, LargeSizes(~0ull, 1)}}}, kBroken},
      // Levels 0 and 1 once read the name length at offset 21 before the buffer held it.
      {"level 0 cut before the name length", {.level = 0}, kTruncated, {}, kCommonSize},
      {"level 1 cut before the name length", {.level = 1}, kTruncated, {}, kCommonSize},
  };
  for (const Case& c : cases) {
    Bytes bytes = c.builder.Build();
    for (auto [at, mask] : c.flips) bytes[at < 0 ? bytes.size() + at : at] ^= mask;
    bytes.resize(std::min(bytes.size(), c.keep));
    Member m;
    EXPECT_EQ(ReadOne(bytes, &m), c.expected) << c.what;
  }
  Bytes bytes = HeaderBuilder{.level = 2, .data = "0123456789"}.Build();
  for (std::size_t cut : {1, 10, 21, 26, 30}) {
    Member m;
    EXPECT_EQ(ReadOne(Bytes(bytes.begin(), bytes.begin() + cut), &m), HeaderStatus::kTruncated)
        << cut;
  }
}

TEST(HeaderParser, ExtendedHeadersOverrideTheBaseAtEveryLevel) {
  for (int level : {1, 2, 3}) {
    SCOPED_TRACE(level);
    HeaderBuilder b{.level = level,
                    .exts = {{0x02, B("sub\xFF")},
                             {0x42, LargeSizes(5'000'000'000ull, 6'000'000'000ull)},
                             {0x46, Bytes{0xE9, 0xFD, 0, 0}}}};
    Bytes bytes = b.Build();
    Member m;
    ASSERT_EQ(ReadOne(bytes, &m), HeaderStatus::kOk);
    EXPECT_EQ(m.packed_size, 5'000'000'000ull);
    EXPECT_EQ(m.original_size, 6'000'000'000ull);
    EXPECT_EQ(m.data_offset, bytes.size() - 4);
    EXPECT_EQ(m.code_page, 65001u);
    EXPECT_EQ(StoredPath(m), "sub\\file.txt");
  }
}

}  // namespace
}  // namespace unlha32::test
