// The library through its exported entry points, as the program calls it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "header_builder.h"
#include "unlha32/unlha32.h"

namespace unlha32::test {
namespace {

namespace fs = std::filesystem;

class ApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("unlha32_api_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path.string();
  }

  fs::path dir_;
};

const Bytes kTwoMembers = Archive({
    HeaderBuilder{.level = 2,
                  .method = "-lh5-",
                  .data = "0123456789",
                  .original = 40,
                  .stamp = 1689541637,
                  .data_crc = 0x0A0B,
                  .exts = {{0x02, B("doc\xFF")}, {0x40, Bytes{0x21, 0}}}}
        .Build(),
    HeaderBuilder{.level = 1,
                  .method = "-lhd-",
                  .data = "",
                  .original = 0,
                  .name = "",
                  .exts = {{0x02, B("empty dir\xFF")}}}
        .Build(),
});

TEST_F(ApiTest, FindFirstAndFindNextFillTheRecord) {
  std::string path = Write("two.lzh", kTwoMembers);
  ASSERT_NE(UnlhaCheckArchive(path.c_str(), 4), 0);
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, path.c_str(), 0);
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
  EXPECT_EQ(buffer[559], 0xEE);

  ASSERT_EQ(UnlhaFindNext(handle, info), 0);
  EXPECT_STREQ(info->szFileName, "empty dir\\");
  EXPECT_STREQ(info->szMode, "-lhd-");
  EXPECT_EQ(info->wRatio, 0);
  EXPECT_NE(UnlhaFindNext(handle, info), 0);
  EXPECT_NE(UnlhaFindNext(handle, info), 0);  // stays at the end

  // FindFirst starts again; a pattern selects.
  ASSERT_EQ(UnlhaFindFirst(handle, "empty*", info), 0);
  EXPECT_STREQ(info->szFileName, "empty dir\\");
  EXPECT_EQ(UnlhaCloseArchive(handle), 0);
  EXPECT_NE(UnlhaCloseArchive(handle), 0);  // a closed handle is refused
  EXPECT_NE(UnlhaFindNext(handle, info), 0);
}

TEST_F(ApiTest, OpenRefusesMissingAndNonArchiveFiles) {
  EXPECT_EQ(UnlhaOpenArchive(nullptr, (dir_ / "missing.lzh").c_str(), 0), nullptr);
  EXPECT_EQ(UnlhaOpenArchive(nullptr, dir_.c_str(), 0), nullptr);
  std::string text = Write("text.lzh", B("not an archive at all\n"));
  EXPECT_EQ(UnlhaOpenArchive(nullptr, text.c_str(), 0), nullptr);
  EXPECT_EQ(UnlhaCheckArchive(text.c_str(), 4), 0);
  EXPECT_EQ(UnlhaOpenArchive(nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(UnlhaCheckArchive(nullptr, 4), 0);

  std::string empty = Write("empty.lzh", Bytes{0});
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, empty.c_str(), 0);
  ASSERT_NE(handle, nullptr);
  UnlhaMemberInfo info{};
  EXPECT_EQ(UnlhaFindFirst(handle, "*.*", &info), -1);
  UnlhaCloseArchive(handle);
}

TEST_F(ApiTest, DamagedArchiveListsWhatCanBeListed) {
  Bytes bytes = kTwoMembers;
  Bytes bad = HeaderBuilder{.level = 1}.Build();
  bad[1] ^= 1;
  bytes.pop_back();  // the end mark
  bytes.insert(bytes.end(), bad.begin(), bad.end());
  std::string path = Write("bad.lzh", bytes);
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, path.c_str(), 0);
  ASSERT_NE(handle, nullptr);
  UnlhaMemberInfo info{};
  EXPECT_EQ(UnlhaFindFirst(handle, "*.*", &info), 0);
  EXPECT_EQ(UnlhaFindNext(handle, &info), 0);
  EXPECT_EQ(UnlhaFindNext(handle, &info), 0x8016);  // the checksum of the third
  UnlhaCloseArchive(handle);
  EXPECT_EQ(UnlhaCheckArchive(path.c_str(), 1), 0);
}

TEST_F(ApiTest, CheckArchiveModes) {
  std::string path = Write("two.lzh", kTwoMembers);
  for (int mode : {0, 1, 2, 4, 16, 32}) EXPECT_EQ(UnlhaCheckArchive(path.c_str(), mode), 1);
  EXPECT_EQ(UnlhaCheckArchive(path.c_str(), 8), 1);
  Bytes sfx(5000, 0x90);
  sfx.insert(sfx.end(), kTwoMembers.begin(), kTwoMembers.end());
  std::string exe = Write("sfx.exe", sfx);
  EXPECT_EQ(UnlhaCheckArchive(exe.c_str(), 4), 1);
  EXPECT_EQ(UnlhaCheckArchive(exe.c_str(), 4 | 8), 2);
}

TEST_F(ApiTest, ListingCommandAndOtherCommands) {
  std::string path = Write("two.lzh", kTwoMembers);
  char output[4096];
  std::string command = "l \"" + path + "\"";
  ASSERT_EQ(Unlha(nullptr, command.data(), output, sizeof output), 0);
  std::string text = output;
  EXPECT_NE(text.find("doc\\file.txt"), std::string::npos) << text;
  EXPECT_NE(text.find("  25.0%"), std::string::npos) << text;
  EXPECT_NE(text.find("-lh5-"), std::string::npos) << text;
  EXPECT_NE(text.find("2 file(s)"), std::string::npos) << text;

  std::string filtered = "l \"" + path + "\" doc/*.*";
  ASSERT_EQ(Unlha(nullptr, filtered.data(), output, sizeof output), 0);
  EXPECT_EQ(std::string(output).find("empty dir"), std::string::npos);

  char small[64];
  EXPECT_EQ(Unlha(nullptr, command.data(), small, sizeof small), 0x8011);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);

  for (const char* bad : {"x archive.lzh", "e archive.lzh", "", "l -v archive.lzh"}) {
    std::string line = bad;
    EXPECT_EQ(Unlha(nullptr, line.data(), output, sizeof output), 0x801C) << bad;
  }
  std::string no_name = "l";
  EXPECT_EQ(Unlha(nullptr, no_name.data(), output, sizeof output), 0x8019);
  std::string missing = "l \"" + (dir_ / "missing.lzh").string() + "\"";
  EXPECT_EQ(Unlha(nullptr, missing.data(), output, sizeof output), 0x8018);
  std::string text_file = "l \"" + Write("t.lzh", B("plain text file, long enough")) + "\"";
  EXPECT_EQ(Unlha(nullptr, text_file.data(), output, sizeof output), 0x801B);
}

TEST_F(ApiTest, ListingShowsControlCharactersAsQuestionMarks) {
  std::string path =
      Write("evil.lzh", Archive({HeaderBuilder{.level = 2, .name = "\x1B]2;x\x07"}.Build()}));
  char output[4096];
  std::string command = "l " + path;
  ASSERT_EQ(Unlha(nullptr, command.data(), output, sizeof output), 0);
  EXPECT_NE(std::string(output).find("?]2;x?"), std::string::npos);
}

TEST_F(ApiTest, ModesVersionRunningAndDialog) {
  EXPECT_EQ(UnlhaGetVersion(), 100);
  EXPECT_EQ(UnlhaGetRunning(), 0);
  EXPECT_NE(UnlhaSetBackGroundMode(1), 0);
  EXPECT_NE(UnlhaGetBackGroundMode(), 0);
  UnlhaSetBackGroundMode(0);
  EXPECT_EQ(UnlhaGetBackGroundMode(), 0);
  UnlhaSetCursorMode(1);
  EXPECT_NE(UnlhaGetCursorMode(), 0);
  UnlhaSetCursorMode(0);
  EXPECT_EQ(UnlhaGetCursorMode(), 0);

  char option[257] = "keep me";
  EXPECT_EQ(UnlhaConfigDialog(nullptr, option, 0), 0);
  EXPECT_STREQ(option, "keep me");
}

TEST_F(ApiTest, RunningWhileAnotherThreadIsInsideTheLibrary) {
  // Checking the data CRC of a 2 MB archive keeps the other thread inside for a while.
  std::string data(4096, 'x');
  Bytes one =
      HeaderBuilder{
          .level = 2, .method = "-lh0-", .data = data, .original = 4096, .data_crc = Crc16(B(data))}
          .Build();
  Bytes big;
  for (int i = 0; i < 500; ++i) big.insert(big.end(), one.begin(), one.end());
  std::string path = Write("big.lzh", big);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    while (!done) UnlhaCheckArchive(path.c_str(), 2 | 16);
  });
  // Polls until seen; the deadline only guards against a hang.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) seen = UnlhaGetRunning() != 0;
  done = true;
  worker.join();
  EXPECT_TRUE(seen);
  EXPECT_EQ(UnlhaGetRunning(), 0);
}

}  // namespace
}  // namespace unlha32::test
