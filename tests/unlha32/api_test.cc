// The library through its exported entry points, as the program calls it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "bit_writer.h"
#include "header_builder.h"
#include "unlha32/unlha32.h"

namespace unlha32::test {
namespace {

namespace fs = std::filesystem;

class ApiTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path.string();
  }

  // ctest runs each test in a process of its own.
  const fs::path dir_ = fs::temp_directory_path() / ("unlha32_api_" + std::to_string(::getpid()));
};

const Bytes kDoc = HeaderBuilder{.level = 2,
                                 .data = "0123456789",
                                 .original = 40,
                                 .stamp = 1689541637,
                                 .data_crc = 0x0A0B,
                                 .exts = {{0x02, B("doc\xFF")}, {0x40, Bytes{0x21, 0}}}}
                       .Build();
const Bytes kTwoMembers = Archive({kDoc, HeaderBuilder{.level = 1,
                                                       .method = "-lhd-",
                                                       .data = "",
                                                       .original = 0,
                                                       .name = "",
                                                       .exts = {{0x02, B("empty dir\xFF")}}}
                                             .Build()});
const Bytes kNoEndMark(kTwoMembers.begin(), kTwoMembers.end() - 1);
const Bytes kCut(kDoc.begin(), kDoc.end() - 1);  // its data cut short
const Bytes kBadCrc = Flip(kDoc, 10);  // the packed size: the header CRC no longer matches

TEST_F(ApiTest, FindFirstAndFindNextFillTheRecord) {
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, Write("two.lzh", kTwoMembers).c_str(), 0);
  ASSERT_NE(handle, nullptr);

  unsigned char buffer[UNLHA_MEMBER_INFO_BUFFER_SIZE];
  std::memset(buffer, 0xEE, sizeof buffer);
  auto* info = reinterpret_cast<UnlhaMemberInfo*>(buffer);
  ASSERT_EQ(UnlhaFindFirst(handle, "*.*", info), 0);
  EXPECT_EQ(info->dwOriginalSize, 40u);
  EXPECT_EQ(info->dwCompressedSize, 10u);
  EXPECT_EQ(info->dwCRC, 0x0A0Bu);
  EXPECT_EQ(info->wRatio, 250);
  EXPECT_EQ(info->wDate, ((2023 - 1980) << 9) | (7 << 5) | 16);  // TZ=UTC
  EXPECT_EQ(info->wTime, (21 << 11) | (7 << 5) | 8);
  EXPECT_STREQ(info->szFileName, "doc\\file.txt");
  EXPECT_STREQ(info->szAttribute, "r--a");
  EXPECT_STREQ(info->szMode, "-lh5-");
  EXPECT_EQ(buffer[558], 0xEE);  // the record ends at 558 bytes
  // The optional detail: the level, a level 2 member's stored instant, whole sizes.
  UnlhaMemberDetail detail{};
  detail.dwStructSize = sizeof detail;
  ASSERT_EQ(UnlhaGetMemberDetail(handle, &detail), 0);
  EXPECT_EQ(detail.iHeaderLevel, 2);
  EXPECT_EQ(detail.llWriteTime, 1689541637);
  EXPECT_EQ(detail.ullOriginalSize, 40u);
  EXPECT_EQ(detail.ullCompressedSize, 10u);

  ASSERT_EQ(UnlhaFindNext(handle, info), 0);
  EXPECT_STREQ(info->szFileName, "empty dir\\");
  EXPECT_STREQ(info->szMode, "-lhd-");
  EXPECT_EQ(info->wRatio, 0);
  ASSERT_EQ(UnlhaGetMemberDetail(handle, &detail), 0);
  EXPECT_EQ(detail.iHeaderLevel, 1);
  EXPECT_EQ(detail.llWriteTime, 0);  // a level 1 time is local: no instant
  EXPECT_NE(UnlhaFindNext(handle, info), 0);
  EXPECT_EQ(UnlhaGetMemberDetail(handle, &detail), -1);  // no member found
  EXPECT_NE(UnlhaFindNext(handle, info), 0);             // stays at the end

  // FindFirst starts again; a pattern selects, with no regard to case.
  ASSERT_EQ(UnlhaFindFirst(handle, "EMPTY?D*", info), 0);
  EXPECT_STREQ(info->szFileName, "empty dir\\");
  EXPECT_EQ(UnlhaCloseArchive(handle), 0);
  EXPECT_NE(UnlhaCloseArchive(handle), 0);  // a closed handle is refused
  EXPECT_EQ(UnlhaGetMemberDetail(handle, &detail), 0x8018);
  EXPECT_NE(UnlhaFindNext(handle, info), 0);
}

TEST_F(ApiTest, OpenRefusesWhatIsNoArchiveAndListsWhatCanBeListed) {
  std::string text = Write("text.lzh", B("not an archive at all\n"));
  for (const std::string& path : {(dir_ / "missing.lzh").string(), dir_.string(), text}) {
    EXPECT_EQ(UnlhaOpenArchive(nullptr, path.c_str(), 0), nullptr) << path;
    EXPECT_EQ(UnlhaCheckArchive(path.c_str(), 4), 0) << path;
  }
  EXPECT_EQ(UnlhaOpenArchive(nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(UnlhaCheckArchive(nullptr, 4), 0);

  UnlhaMemberInfo info{};
  UNLHA_HARC empty = UnlhaOpenArchive(nullptr, Write("empty.lzh", Bytes{0}).c_str(), 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(UnlhaFindFirst(empty, "*.*", &info), -1);
  UnlhaCloseArchive(empty);

  // The header of a member whose data is cut short is whole: it is listed.
  UNLHA_HARC cut = UnlhaOpenArchive(nullptr, Write("cut.lzh", kCut).c_str(), 0);
  EXPECT_EQ(UnlhaFindFirst(cut, "*.*", &info), 0);
  EXPECT_EQ(UnlhaFindNext(cut, &info), 0x8017);
  UnlhaCloseArchive(cut);

  // A damaged third header ends the listing, unless the caller asks to step over it.
  std::string damaged = Write("bad.lzh", Join(kNoEndMark, Archive({kBadCrc, kDoc})));
  for (std::uint32_t mode : {0u, 4u}) {
    UNLHA_HARC handle = UnlhaOpenArchive(nullptr, damaged.c_str(), mode);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(UnlhaFindFirst(handle, "*.*", &info), 0);
    EXPECT_EQ(UnlhaFindNext(handle, &info), 0);
    EXPECT_EQ(UnlhaFindNext(handle, &info), mode == 0 ? 0x8016 : 0) << mode;
    EXPECT_EQ(UnlhaFindNext(handle, &info), mode == 0 ? 0x8016 : -1) << mode;
    UnlhaCloseArchive(handle);
  }
}

TEST_F(ApiTest, CheckArchiveModes) {
  Bytes fourth_bad = Archive({kDoc, kDoc, kDoc, kBadCrc});
  Bytes middle_bad = Archive({kDoc, kBadCrc, kDoc});
  Bytes stored = Archive({HeaderBuilder{
      .level = 2, .method = "-lh0-", .data = "hello", .original = 5, .data_crc = 0x34D2}
                              .Build()});
  Bytes stored_bad = Flip(stored, stored.size() - 2);
  BitWriter a40;
  SingleSymbolBlock(a40, 40, 'A', 0);
  HeaderBuilder packed{.level = 1, .data = a40.bytes(), .original = 40, .data_crc = 0xEC80};
  Bytes compressed = Archive({packed.Build()});
  packed.data_crc ^= 1;
  Bytes compressed_bad = Archive({packed.Build()});
  packed.method = "-pm2-";
  Bytes undecodable = Archive({packed.Build()});
  Bytes sfx = Join(Bytes(5000, 0x90), kTwoMembers);
  const std::tuple<const char*, Bytes, int, int> cases[] = {
      {"rapid looks at three headers", fourth_bad, 0, 1},
      {"basic looks at all", fourth_bad, 1, 0},
      {"all lifts the limit of three", fourth_bad, 0 | 16, 0},
      {"recovery steps over damage", middle_bad, 1 | 4, 1},
      {"the caller's default", middle_bad, 4, 1},
      {"stored data", stored, 2, 1},
      {"damaged stored data, headers only", stored_bad, 1, 1},
      {"damaged stored data, full CRC", stored_bad, 2, 0},
      {"compressed data, full CRC", compressed, 3, 1},
      {"damaged compressed data, headers only", compressed_bad, 1, 1},
      {"damaged compressed data, full CRC", compressed_bad, 2, 0},
      {"a method that cannot be checked", undecodable, 2, 0},
      {"no end mark", kNoEndMark, 1, 1},
      // After the end mark the archive is over; another system's trailer does not spoil it.
      {"text after the end mark", Join(kTwoMembers, B("trailing garbage")), 0 | 4, 1},
      {"padding after the end mark", Join(kTwoMembers, Bytes(100, 0x1A)), 1, 1},
      {"data where a header should be", Join(kNoEndMark, B("garbage!")), 1, 0},
      {"data allowed", Join(kNoEndMark, B("garbage!")), 1 | 32, 1},
      {"self-extracting", sfx, 4, 1},
      {"self-extracting, asked", sfx, 4 | 8, 2},
  };
  for (const auto& [what, bytes, mode, expected] : cases) {
    EXPECT_EQ(UnlhaCheckArchive(Write("check.lzh", bytes).c_str(), mode), expected) << what;
  }
  for (int mode : {0, 1, 2, 4, 8, 16, 32}) {
    // (The full check decodes, and kDoc's packed bytes are no real data.)
    if (mode != 2) {
      EXPECT_EQ(UnlhaCheckArchive(Write("two.lzh", kTwoMembers).c_str(), mode), 1) << mode;
    }
    EXPECT_EQ(UnlhaCheckArchive(Write("cut.lzh", kCut).c_str(), mode), 0) << mode;
  }
}

TEST_F(ApiTest, ListingCommandAndOtherCommands) {
  char output[4096];
  auto run = [&output](std::string line, char* out = nullptr, std::uint32_t size = 4096) {
    return Unlha(nullptr, line.data(), out != nullptr ? out : output, size);
  };
  std::string path = "\"" + Write("two.lzh", kTwoMembers) + "\"";
  ASSERT_EQ(run("l " + path), 0);
  for (const char* part : {"doc\\file.txt", "  25.0%", "-lh5-", "2 file(s)"}) {
    EXPECT_NE(std::string(output).find(part), std::string::npos) << part << "\n" << output;
  }
  ASSERT_EQ(run("l " + path + " doc/*.*"), 0);
  EXPECT_EQ(std::string(output).find("empty dir"), std::string::npos);

  // Names come from the archive: a terminal escape must not reach the terminal.
  Bytes evil = Archive({HeaderBuilder{.level = 2, .name = "\x1B]2;x\x07"}.Build()});
  ASSERT_EQ(run("l " + Write("evil.lzh", evil)), 0);
  EXPECT_NE(std::string(output).find("?]2;x?"), std::string::npos);

  char small[64];
  EXPECT_EQ(run("l " + path, small, sizeof small), 0x8011);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);

  const std::pair<std::string, int> errors[] = {
      {"a archive.lzh", 0x801C},
      {"", 0x801C},
      {"l -v archive.lzh", 0x801C},
      {"l", 0x8019},
      {"l \"" + (dir_ / "missing.lzh").string() + "\"", 0x8018},
      {"l \"" + Write("t.lzh", B("plain text file, long enough")) + "\"", 0x801B},
  };
  for (const auto& [line, code] : errors) EXPECT_EQ(run(line), code) << line;
}

// The program asks these before and around its calls.
TEST(Api, IdleStateVersionModesAndDialog) {
  EXPECT_EQ(UnlhaGetRunning(), 0);
  EXPECT_EQ(UnlhaGetVersion(), 100);
  for (bool on : {true, false}) {
    EXPECT_NE(UnlhaSetBackGroundMode(on), 0);
    EXPECT_EQ(UnlhaGetBackGroundMode() != 0, on);
    EXPECT_NE(UnlhaSetCursorMode(on), 0);
    EXPECT_EQ(UnlhaGetCursorMode() != 0, on);
  }
  char option[257] = "keep me";
  EXPECT_EQ(UnlhaConfigDialog(nullptr, option, 0), 0);
  EXPECT_STREQ(option, "keep me");
}

// The record holds 512 bytes of a path; the whole of a longer one is there to be asked for.
TEST_F(ApiTest, PathsLongerThanTheRecordAreGivenWhole) {
  std::string folder;
  for (int i = 0; i < 60; ++i) folder += "folder" + std::to_string(i) + "\xFF";
  const Bytes archive =
      Archive({HeaderBuilder{.level = 2, .name = "file.txt", .exts = {{0x02, B(folder)}}}.Build()});
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, Write("long.lzh", archive).c_str(), 0);
  ASSERT_NE(handle, nullptr);
  char path[2048];
  EXPECT_EQ(UnlhaGetMemberPath(handle, path, sizeof path), -1);  // no member found yet
  UnlhaMemberInfo info{};
  ASSERT_EQ(UnlhaFindFirst(handle, "*.*", &info), 0);
  EXPECT_EQ(std::strlen(info.szFileName), 512u);
  ASSERT_EQ(UnlhaGetMemberPath(handle, path, sizeof path), 0);
  std::string expected = folder + "file.txt";
  std::replace(expected.begin(), expected.end(), '\xFF', '\\');
  EXPECT_EQ(std::string(path), expected);
  EXPECT_EQ(std::strncmp(path, info.szFileName, 512), 0);
  EXPECT_EQ(UnlhaGetMemberPath(handle, path, static_cast<std::uint32_t>(expected.size())), -1);
  EXPECT_EQ(UnlhaCloseArchive(handle), 0);
  EXPECT_EQ(UnlhaGetMemberPath(handle, path, sizeof path), 0x8018);
}

}  // namespace
}  // namespace unlha32::test
