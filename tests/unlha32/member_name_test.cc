#include "unlha32/member_name.h"

#include <gtest/gtest.h>

#include "header_builder.h"
#include "platform/text.h"
#include "unlha32/member_record.h"

namespace unlha32::test {
namespace {

Member WithName(std::string name, std::string folder = "",
                std::optional<std::uint32_t> code_page = std::nullopt) {
  Member m;
  m.method = {'-', 'l', 'h', '5', '-'};
  m.name = std::move(name);
  m.folder = std::move(folder);
  m.code_page = code_page;
  return m;
}

TEST(MemberName, ShiftJisTrailByte5CIsNotASeparator) {
  // ソ = 83 5C, 表 = 95 5C; the lead-position "\" after them is a real separator.
  Member m = WithName("\x83\x5C\x95\x5C\\\x83\x5C.txt");
  EXPECT_EQ(StoredPath(m), "ソ表\\ソ.txt");
}

TEST(MemberName, EncodingFollowsCodePageThenAsciiThenUtf8ThenCp932) {
  EXPECT_EQ(StoredPath(WithName("caf\xE9", "", 1252)), "café");
  EXPECT_EQ(StoredPath(WithName("日本.txt", "", 65001)), "日本.txt");
  EXPECT_EQ(StoredPath(WithName("plain.txt")), "plain.txt");
  EXPECT_EQ(StoredPath(WithName("日本.txt")), "日本.txt");      // valid UTF-8 as is
  EXPECT_EQ(StoredPath(WithName("\x93\xFA\x96\x7B")), "日本");  // CP932
  // Not valid in CP932 either (0x85 0x20 is no character there): Western text.
  EXPECT_EQ(StoredPath(WithName("\xE9t\xE9 \x85 ")), "été … ");
  // A code page this platform does not know, or bytes invalid in it, fall back.
  EXPECT_EQ(StoredPath(WithName("\x93\xFA", "", 99999)), "日");
}

TEST(MemberName, FolderAndNameShareOneEncoding) {
  EXPECT_EQ(StoredPath(WithName("\x83\x5C", "\x93\xFA\xFF")), "日\\ソ");
}

TEST(MemberName, SeparatorsComeOutAsBackslash) {
  EXPECT_EQ(StoredPath(WithName("f",
                                "a\xFF"
                                "b\xFF")),
            "a\\b\\f");
  EXPECT_EQ(StoredPath(WithName("f",
                                "a\xFF"
                                "b")),
            "a\\b\\f");  // unterminated folder
  EXPECT_EQ(StoredPath(WithName("f", "\xFFtmp\xFF")), "\\tmp\\f");
  EXPECT_EQ(StoredPath(WithName("unix/style/name")), "unix\\style\\name");
}

TEST(MemberName, FolderEntriesEndInABackslash) {
  Member folder = WithName("",
                           "doc\xFF"
                           "sub\xFF");
  folder.method = {'-', 'l', 'h', 'd', '-'};
  EXPECT_EQ(StoredPath(folder), "doc\\sub\\");
  Member level0 = WithName("doc\\sub");
  level0.method = folder.method;
  EXPECT_EQ(StoredPath(level0), "doc\\sub\\");
  // Amiga LhA's empty folder: nameless, empty "-lh0-" with a folder.
  Member amiga = WithName("", "Dir\xFF");
  amiga.method = {'-', 'l', 'h', '0', '-'};
  EXPECT_TRUE(amiga.IsDirectory());
  EXPECT_EQ(StoredPath(amiga), "Dir\\");
  EXPECT_EQ(MethodText(amiga), "-lhd-");
}

TEST(MemberName, NameEndsAtNulAndKeepsControlCharacters) {
  EXPECT_EQ(StoredPath(WithName(std::string("name\0file note", 14))), "name");
  EXPECT_EQ(StoredPath(WithName("\x1B]2;x\x07")), "\x1B]2;x\x07");
}

TEST(MemberName, FitNeverSplitsACharacter) {
  std::string path;
  for (int i = 0; i < 200; ++i) path += "表";  // 3 bytes each, 600 bytes
  std::string_view fitted = FitUtf8(path, 512);
  EXPECT_EQ(fitted.size(), 510u);
  EXPECT_TRUE(platform::IsValidUtf8(fitted));
  EXPECT_EQ(FitUtf8("short", 512), "short");
}

}  // namespace
}  // namespace unlha32::test
