#include "unlha32/member_record.h"

#include <gtest/gtest.h>

#include <cstring>

#include "header_builder.h"
#include "unlha32/wildcard.h"

namespace unlha32::test {
namespace {

Member Read(const HeaderBuilder& b) {
  Member m;
  EXPECT_EQ(ReadOne(b.Build(), &m), HeaderStatus::kOk);
  return m;
}

TEST(MemberRecord, RatioIsPerMilleRoundedAndBounded) {
  EXPECT_EQ(RatioPerMille(0, 0), 0);
  EXPECT_EQ(RatioPerMille(523, 1000), 523);
  EXPECT_EQ(RatioPerMille(2, 3), 667);
  EXPECT_EQ(RatioPerMille(1000, 1000), 1000);
  EXPECT_EQ(RatioPerMille(100, 1), 32767);  // never negative for a signed reader
  EXPECT_EQ(RatioPerMille(~0ull, ~0ull), 1000);
}

TEST(MemberRecord, AttributeTextInReadOnlySystemHiddenArchiveOrder) {
  EXPECT_EQ(AttributeText(Read({.level = 0, .attribute = 0x27})), "rsha");
  EXPECT_EQ(AttributeText(Read({.level = 0, .attribute = 0x21})), "r--a");
  EXPECT_EQ(AttributeText(Read({.level = 0, .attribute = 0x00})), "----");
  // Levels 1-3: extended header 0x40 first, then the Unix mode, then offset 19.
  EXPECT_EQ(AttributeText(Read({.level = 2, .exts = {{0x40, Bytes{0x02, 0}}}})), "--h-");
  EXPECT_EQ(AttributeText(Read({.level = 2, .exts = {{0x50, Bytes{0x24, 0x81}}}})), "r--a");
  EXPECT_EQ(
      AttributeText(Read({.level = 1, .name = ".profile", .exts = {{0x50, Bytes{0xA4, 0x81}}}})),
      "--ha");
  EXPECT_EQ(
      AttributeText(Read({.level = 2, .method = "-lhd-", .exts = {{0x50, Bytes{0xED, 0x41}}}})),
      "----");
  EXPECT_EQ(AttributeText(Read({.level = 1, .attribute = 0x20})), "---a");
}

TEST(MemberRecord, LevelZeroAndOneKeepTheStoredStampLevelTwoIsConvertedToLocal) {
  // The test runs with TZ=UTC.
  EXPECT_EQ(DosStamp(Read({.level = 1, .stamp = 0x12345678})), 0x12345678u);
  // 2023-07-16 21:07:17 UTC: the odd second goes.
  std::uint32_t words = DosStamp(Read({.level = 2, .stamp = 1689541637}));
  EXPECT_EQ(words >> 16, ((2023u - 1980) << 9) | (7 << 5) | 16);
  EXPECT_EQ(words & 0xFFFF, (21u << 11) | (7 << 5) | 8);
  EXPECT_EQ(DosStamp(Read({.level = 3, .stamp = 58})), (1u << 21) | (1u << 16));  // 1980-01-01
}

TEST(MemberRecord, OsTypeNumbers) {
  EXPECT_EQ(OsTypeOf(Read({.level = 0})), kOsMsDos);
  EXPECT_EQ(OsTypeOf(Read({.level = 2, .os = 'U'})), kOsUnix);
  EXPECT_EQ(OsTypeOf(Read({.level = 2, .os = 0})), kOsGeneric);
  EXPECT_EQ(OsTypeOf(Read({.level = 2, .os = '9'})), kOsOs9);
  EXPECT_EQ(OsTypeOf(Read({.level = 2, .os = 'Z'})), kOsUnknown);
}

TEST(MemberRecord, FillsEveryFieldAndSaturatesLargeSizes) {
  Bytes sizes;
  Put(sizes, 5'000'000'000ull, 8);
  Put(sizes, 6'000'000'000ull, 8);
  Member m = Read({.level = 2, .data_crc = 0xA33A, .exts = {{0x42, sizes}}});
  UnlhaMemberInfo info;
  std::memset(&info, 0x55, sizeof info);
  FillMemberInfo(m, &info);
  EXPECT_EQ(info.dwOriginalSize, 0xFFFFFFFFu);
  EXPECT_EQ(info.dwCompressedSize, 0xFFFFFFFFu);
  EXPECT_EQ(info.dwCRC, 0xA33Au);
  EXPECT_EQ(info.uFlag, 0u);
  EXPECT_EQ(info.wRatio, 833);
  EXPECT_STREQ(info.szFileName, "file.txt");
  EXPECT_STREQ(info.szAttribute, "---a");
  EXPECT_STREQ(info.szMode, "-lh5-");
  EXPECT_EQ(info.dummy1[0], 0);
}

TEST(Wildcard, StarDotStarMatchesEveryMember) {
  for (const char* path : {"readme", "a.txt", "dir\\", "dir\\sub\\x.y", ""}) {
    EXPECT_TRUE(MatchesWildcard("*.*", path)) << path;
    EXPECT_TRUE(MatchesWildcard("", path)) << path;
  }
  EXPECT_TRUE(MatchesWildcard("*.TXT", "dir\\a.txt"));
  EXPECT_FALSE(MatchesWildcard("*.txt", "a.txt.bak"));
  EXPECT_TRUE(MatchesWildcard("doc/*.*", "doc\\readme"));
  EXPECT_FALSE(MatchesWildcard("doc/*.*", "src\\readme"));
  EXPECT_TRUE(MatchesWildcard("?.txt", "表.txt"));
  EXPECT_FALSE(MatchesWildcard("??.txt", "表.txt"));
}

}  // namespace
}  // namespace unlha32::test
