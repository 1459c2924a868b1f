#include "unlha32/member_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "header_builder.h"
#include "platform/text.h"
#include "unlha32/member_name.h"

namespace unlha32::test {
namespace {

Member Read(const HeaderBuilder& b) {
  Member m;
  EXPECT_EQ(ReadOne(b.Build(), &m), HeaderStatus::kOk);
  return m;
}

TEST(MemberName, DecodesAndSeparatesTheStoredPath) {
  const std::pair<Member, const char*> cases[] = {
      // ソ = 83 5C, 表 = 95 5C; the lead-position "\" after them is a real separator.
      {{.name = "\x83\x5C\x95\x5C\\\x83\x5C.txt"}, "ソ表\\ソ.txt"},
      // The code page, then ASCII or UTF-8, then CP932.
      {{.code_page = 1252, .name = "\x93\xFA"}, "“ú"},  // 日 in CP932
      {{.code_page = 65001, .name = "日本.txt"}, "日本.txt"},
      {{.name = "日本.txt"}, "日本.txt"},
      // Not valid in CP932 either (0x85 0x20 is no character there): Western text.
      {{.name = "\xE9t\xE9 \x85 "}, "été … "},
      // A code page this platform does not know, or bytes invalid in it, fall back.
      {{.code_page = 99999, .name = "\x93\xFA"}, "日"},
      {{.name = "\x83\x5C", .folder = "\x93\xFA\xFF"}, "日\\ソ"},  // one encoding for both
      {{.name = "f", .folder = "p\xFFq\xFF"}, "p\\q\\f"},
      {{.name = "f", .folder = "p\xFFq"}, "p\\q\\f"},  // unterminated folder
      {{.name = "f", .folder = "\xFFtmp\xFF"}, "\\tmp\\f"},
      {{.method = {'-', 'l', 'h', 'd', '-'}, .name = "doc\\sub"}, "doc\\sub\\"},  // level 0 folder
      {{.name = std::string("name\0file note", 14)}, "name"},
      {{.name = "\x1B]2;x\x07"}, "\x1B]2;x\x07"},
  };
  for (const auto& [member, path] : cases) EXPECT_EQ(StoredPath(member), path);
}

TEST(MemberRecord, AttributeTextAndOsType) {
  const Bytes unix_area{'U', 1, 0, 0, 0, 0, 0xA4, 0x81, 0, 0, 0, 0};
  const std::tuple<HeaderBuilder, const char*, std::uint32_t> cases[] = {
      {{.level = 0, .attribute = 0x27}, "rsha", kOsMsDos},
      {{.level = 0, .attribute = 0x21, .level0_extension = unix_area}, "r--a", kOsUnix},
      {{.level = 0, .attribute = 0x00}, "----", kOsMsDos},
      // Levels 1-3: extended header 0x40 first, then the Unix mode, then offset 19.
      {{.level = 2, .exts = {{0x40, Bytes{0x02, 0}}}}, "--h-", kOsMsDos},
      {{.level = 2, .os = 'U', .exts = {{0x50, Bytes{0x24, 0x81}}}}, "r--a", kOsUnix},
      {{.level = 1, .name = ".profile", .exts = {{0x50, Bytes{0xA4, 0x81}}}}, "--ha", kOsMsDos},
      {{.level = 2, .method = "-lhd-", .os = 0, .exts = {{0x50, Bytes{0xED, 0x41}}}},
       "----",
       kOsGeneric},
      {{.level = 1, .attribute = 0x20, .os = '9'}, "---a", kOsOs9},
      {{.level = 2, .os = 'Z'}, "---a", kOsUnknown},
  };
  for (const auto& [header, text, os_type] : cases) {
    Member m = Read(header);
    EXPECT_EQ(AttributeText(m), text) << text;
    EXPECT_EQ(OsTypeOf(m), os_type) << text;
  }
}

// The record's fields are narrower than what the archive may hold.
TEST(MemberRecord, StampRatioSizesAndNameFitTheRecord) {
  EXPECT_EQ(RatioPerMille(2, 3), 667);
  EXPECT_EQ(RatioPerMille(100, 1), 32767);  // never negative for a signed reader
  EXPECT_EQ(RatioPerMille(~0ull, ~0ull), 1000);
  // Levels 0 and 1 keep the stored MS-DOS stamp; Unix times of later levels start in 1980.
  EXPECT_EQ(DosStamp(Read({.level = 1, .stamp = 0x12345678})), 0x12345678u);
  EXPECT_EQ(DosStamp(Read({.level = 3, .stamp = 58})), (1u << 21) | (1u << 16));  // 1980-01-01
  std::string name;
  for (int i = 0; i < 200; ++i) name += "表";  // 3 bytes each, 600 bytes
  Member m = Read(
      {.level = 2, .name = name, .exts = {{0x42, LargeSizes(5'000'000'000ull, 6'000'000'000ull)}}});
  UnlhaMemberInfo info;
  std::memset(&info, 0x55, sizeof info);
  FillMemberInfo(m, &info);
  EXPECT_EQ(info.dwOriginalSize, 0xFFFFFFFFu);
  EXPECT_EQ(info.dwCompressedSize, 0xFFFFFFFFu);
  EXPECT_EQ(info.wRatio, 833);
  EXPECT_EQ(std::strlen(info.szFileName), 510u);
  EXPECT_TRUE(platform::IsValidUtf8(info.szFileName));
  EXPECT_EQ(info.uFlag, 0u);
  EXPECT_EQ(info.dummy1[0], 0);
}

}  // namespace
}  // namespace unlha32::test
