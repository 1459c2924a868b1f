#include "unlha32/header_parser.h"

#include <gtest/gtest.h>

#include "header_builder.h"
#include "unlha32/member_name.h"

namespace unlha32::test {
namespace {

TEST(HeaderParser, Level0ReadsTheBaseFieldsAndKeepsTheStoredPath) {
  HeaderBuilder b{.level = 0,
                  .method = "-lh1-",
                  .data = "12345",
                  .original = 9,
                  .attribute = 0x21,
                  .name = "dir\\file.txt",
                  .data_crc = 0xBEEF};
  Member m;
  Bytes bytes = b.Build();
  ASSERT_EQ(ReadOne(bytes, &m), HeaderStatus::kOk);
  EXPECT_EQ(m.level, 0);
  EXPECT_EQ(m.method_text(), "-lh1-");
  EXPECT_EQ(m.packed_size, 5u);
  EXPECT_EQ(m.original_size, 9u);
  EXPECT_EQ(m.stamp, b.stamp);
  EXPECT_EQ(m.base_attribute, 0x21);
  EXPECT_EQ(m.data_crc, 0xBEEF);
  EXPECT_FALSE(m.os_id.has_value());
  EXPECT_EQ(m.data_offset, bytes.size() - 5);
  EXPECT_EQ(StoredPath(m), "dir\\file.txt");
}

TEST(HeaderParser, Level0UnixExtensionAreaGivesSystemAndMode) {
  Bytes area{'U', 1};
  Put(area, 1700000000, 4);
  Put(area, 0100644, 2);
  Put(area, 501, 2);
  Put(area, 20, 2);
  Member m;
  ASSERT_EQ(ReadOne(HeaderBuilder{.level = 0, .level0_extension = area}.Build(), &m),
            HeaderStatus::kOk);
  EXPECT_EQ(m.os_id, 'U');
  EXPECT_EQ(m.unix_mode, 0100644);
  EXPECT_EQ(m.unix_mtime, 1700000000u);
}

TEST(HeaderParser, Level1SubtractsTheExtendedHeadersFromTheSkipSize) {
  HeaderBuilder b{.level = 1,
                  .data = "0123456789",
                  .name = "",
                  .exts = {{0x01, B("long name.txt")},
                           {0x02, B("a\xFF"
                                    "b\xFF")}}};
  Bytes bytes = b.Build();
  Member m;
  ASSERT_EQ(ReadOne(bytes, &m), HeaderStatus::kOk);
  EXPECT_EQ(m.packed_size, 10u);
  EXPECT_EQ(m.data_offset, bytes.size() - 10);
  EXPECT_TRUE(m.has_header_crc);
  EXPECT_EQ(m.os_id, 'M');
  EXPECT_EQ(StoredPath(m), "a\\b\\long name.txt");
}

TEST(HeaderParser, ChecksumAndHeaderCrcAreVerified) {
  Bytes level1 = HeaderBuilder{.level = 1}.Build();
  Member m;
  Bytes bad_sum = level1;
  bad_sum[1] ^= 1;
  EXPECT_EQ(ReadOne(bad_sum, &m), HeaderStatus::kBadChecksum);
  Bytes bad_ext = level1;
  bad_ext[level1.size() - 4 - 4] ^= 0x40;  // inside the 0x00 header's CRC bytes
  EXPECT_EQ(ReadOne(bad_ext, &m), HeaderStatus::kBadHeaderCrc);

  for (int level : {2, 3}) {
    Bytes bytes = HeaderBuilder{.level = level}.Build();
    bytes[10] ^= 1;  // packed size: covered by the header CRC only
    EXPECT_EQ(ReadOne(bytes, &m), HeaderStatus::kBadHeaderCrc) << "level " << level;
  }
}

TEST(HeaderParser, Level2ToleratesOnePaddingByteAndOs9ShortSize) {
  // 256 bytes would end in a 0x00 low byte: the builder pads to 257 like real writers.
  HeaderBuilder padded{.level = 2, .name = std::string(256 - 26 - 3 - 5, 'n')};
  Bytes bytes = padded.Build();
  ASSERT_EQ(bytes[0], 1);
  Member m;
  ASSERT_EQ(ReadOne(bytes, &m), HeaderStatus::kOk);
  EXPECT_EQ(m.header_size, 257u);

  HeaderBuilder two_pad{.level = 2, .declared_size = 0};
  Bytes plain = HeaderBuilder{.level = 2}.Build();
  two_pad.declared_size = static_cast<std::uint32_t>(plain.size() - 4 + 2);
  EXPECT_EQ(ReadOne(two_pad.Build(), &m), HeaderStatus::kBroken);

  HeaderBuilder os9{.level = 2, .os = 'K', .header_crc = false};
  Bytes os9_bytes = os9.Build();
  os9.declared_size = static_cast<std::uint32_t>(os9_bytes.size() - 4 - 2);
  ASSERT_EQ(ReadOne(os9.Build(), &m), HeaderStatus::kOk);
  EXPECT_EQ(m.packed_size, 4u);
}

TEST(HeaderParser, Level3UsesFourByteSizesAndLargeSizesOverride) {
  Bytes sizes;
  Put(sizes, 5'000'000'000ull, 8);
  Put(sizes, 6'000'000'000ull, 8);
  HeaderBuilder b{.level = 3,
                  .os = '2',
                  .exts = {{0x02, B("sub\xFF")},
                           {0x42, sizes},
                           {0x40, Bytes{0x01, 0}},
                           {0x46, Bytes{0xE9, 0xFD, 0, 0}},
                           {0x50, Bytes{0xED, 0x41}},
                           {0x54, Bytes{1, 2, 3, 4}}}};
  Member m;
  ASSERT_EQ(ReadOne(b.Build(), &m), HeaderStatus::kOk);
  EXPECT_EQ(m.level, 3);
  EXPECT_EQ(m.packed_size, 5'000'000'000ull);
  EXPECT_EQ(m.original_size, 6'000'000'000ull);
  EXPECT_EQ(m.dos_attribute, 1);
  EXPECT_EQ(m.code_page, 65001u);
  EXPECT_EQ(m.unix_mode, 040755);
  EXPECT_EQ(m.unix_mtime, 0x04030201u);
  EXPECT_EQ(StoredPath(m), "sub\\file.txt");
}

TEST(HeaderParser, EndMarkAndEndOfFileEndTheArchive) {
  Listing with_mark = ListBytes(Archive({HeaderBuilder{}.Build()}));
  EXPECT_EQ(with_mark.members.size(), 1u);
  EXPECT_EQ(with_mark.end, HeaderStatus::kEndMark);
  Listing without = ListBytes(Archive({HeaderBuilder{.level = 1}.Build()}, false));
  EXPECT_EQ(without.members.size(), 1u);
  EXPECT_EQ(without.end, HeaderStatus::kEndOfFile);
}

// Each case damages one thing; the checksum and CRC still match what is written, so only
// the size checks can catch it.
TEST(HeaderParser, RejectsSizesOutsideWhatTheFormatAllows) {
  struct Case {
    const char* what;
    HeaderBuilder builder;
    HeaderStatus expected;
  };
  const Case cases[] = {
      {"level 0 HS below its minimum", {.level = 0, .hs = 21}, HeaderStatus::kBroken},
      {"level 0 name longer than the header",
       {.level = 0, .name_length = 200},
       HeaderStatus::kBroken},
      {"level 1 name past the base", {.level = 1, .name_length = 100}, HeaderStatus::kBroken},
      {"level 1 extended headers larger than the skip size",
       {.level = 1, .declared_size = 3},
       HeaderStatus::kBroken},
      {"level 2 size smaller than its base",
       {.level = 2, .declared_size = 20},
       HeaderStatus::kBroken},
      {"level 2 size cutting the chain", {.level = 2, .declared_size = 40}, HeaderStatus::kBroken},
      {"level 2 size beyond the file",
       {.level = 2, .declared_size = 60000},
       HeaderStatus::kTruncated},
      {"level 3 size beyond any header",
       {.level = 3, .declared_size = 0xFFFFFFFF},
       HeaderStatus::kBroken},
      {"level 3 size smaller than its base",
       {.level = 3, .declared_size = 31},
       HeaderStatus::kBroken},
      {"not a method id", {.method = "xlh5x"}, HeaderStatus::kBroken},
  };
  for (const Case& c : cases) {
    Member m;
    EXPECT_EQ(ReadOne(c.builder.Build(), &m), c.expected) << c.what;
  }
}

TEST(HeaderParser, RejectsMalformedExtendedHeaderChains) {
  Member m;
  // A next-size below the minimum (3 for 2-byte sizes, 5 for 4-byte sizes).
  for (int level : {1, 2, 3}) {
    Bytes bytes = HeaderBuilder{.level = level, .exts = {{0x3F, B("note")}}}.Build();
    std::size_t first_at = level == 1 ? 27 + 8 - 2 : level == 2 ? 24 : 28;
    Set(bytes, first_at, 2, level == 3 ? 4 : 2);
    if (level == 1) Rechecksum(bytes);
    EXPECT_EQ(ReadOne(bytes, &m), HeaderStatus::kBroken) << "level " << level;
  }
  // The header CRC needs its two bytes.
  Bytes short_common =
      HeaderBuilder{.level = 2, .exts = {{0x00, Bytes{}}}, .header_crc = false}.Build();
  EXPECT_EQ(ReadOne(short_common, &m), HeaderStatus::kBroken);
  // A level 1 chain that claims more than the file holds ends as truncated, not a hang.
  Bytes runaway = HeaderBuilder{.level = 1, .data = "", .declared_size = 0xFFFFFFF0}.Build();
  Set(runaway, runaway.size() - 2, 0xFFFF, 2);
  EXPECT_NE(ReadOne(runaway, &m), HeaderStatus::kOk);
}

// Regression: levels 0 and 1 once read the name length at offset 21 before the buffer held
// it (AddressSanitizer catches the stray read).
TEST(HeaderParser, Level0And1CutJustBeforeTheNameLengthAreTruncated) {
  for (int level : {0, 1}) {
    Bytes bytes = HeaderBuilder{.level = level}.Build();
    bytes.resize(kCommonSize);
    Member m;
    EXPECT_EQ(ReadOne(bytes, &m), HeaderStatus::kTruncated) << "level " << level;
  }
}

TEST(HeaderParser, PackedSizeThatOverflowsTheOffsetIsBroken) {
  Bytes sizes;
  Put(sizes, ~0ull, 8);
  Put(sizes, 1, 8);
  Member m;
  EXPECT_EQ(ReadOne(HeaderBuilder{.level = 2, .exts = {{0x42, sizes}}}.Build(), &m),
            HeaderStatus::kBroken);
}

TEST(HeaderParser, TruncatedHeaderAndTruncatedDataAreReported) {
  Bytes bytes = HeaderBuilder{.level = 2, .data = "0123456789"}.Build();
  Member m;
  for (std::size_t cut : {1, 10, 21, 26, 30}) {
    Bytes head(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    EXPECT_EQ(ReadOne(head, &m), HeaderStatus::kTruncated) << cut;
  }
  bytes.resize(bytes.size() - 3);
  Listing listing = ListBytes(bytes);
  EXPECT_EQ(listing.members.size(), 1u);  // the header is whole: it is listed
  EXPECT_EQ(listing.end, HeaderStatus::kTruncated);
}

TEST(HeaderParser, ListsManyMembersInOrder) {
  Bytes one = HeaderBuilder{.level = 1, .data = "x"}.Build();
  std::vector<Bytes> members(3000, one);
  Listing listing = ListBytes(Archive(members));
  EXPECT_EQ(listing.members.size(), 3000u);
  EXPECT_EQ(listing.end, HeaderStatus::kEndMark);
  EXPECT_EQ(listing.members.back().header_offset, 2999u * one.size());
}

TEST(HeaderParser, RecoverySkipsADamagedHeaderWithoutItTheListingStops) {
  Bytes good = HeaderBuilder{.level = 1, .data = "abc"}.Build();
  Bytes damaged = good;
  damaged[1] ^= 0xFF;
  Bytes bytes = Archive({good, damaged, good});
  Listing strict = ListBytes(bytes);
  EXPECT_EQ(strict.members.size(), 1u);
  EXPECT_EQ(strict.end, HeaderStatus::kBadChecksum);
  Listing recovered = ListBytes(bytes, true);
  EXPECT_EQ(recovered.members.size(), 2u);
  EXPECT_EQ(recovered.end, HeaderStatus::kEndMark);
}

}  // namespace
}  // namespace unlha32::test
