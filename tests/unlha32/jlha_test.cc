// Archives made at test time by an independent LHA implementation (jlha), listed through
// the library and cross-checked with 7-Zip where it can read them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "unlha32/unlha32.h"

namespace {

namespace fs = std::filesystem;

bool HaveTool(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Capture(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  pclose(pipe);
  return output;
}

std::map<std::string, UnlhaMemberInfo> List(const fs::path& archive) {
  std::map<std::string, UnlhaMemberInfo> members;
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, archive.c_str(), 0);
  if (handle == nullptr) return members;
  UnlhaMemberInfo info{};
  for (int r = UnlhaFindFirst(handle, "*.*", &info); r == 0; r = UnlhaFindNext(handle, &info)) {
    members[info.szFileName] = info;
  }
  UnlhaCloseArchive(handle);
  return members;
}

class JlhaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed: skipped";
    root_ = fs::temp_directory_path() / ("unlha32_jlha_" + std::to_string(::getpid()));
    fs::create_directories(root_ / "src" / "dir" / "sub");
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i % 7) + " of some text\n";
    Write("a.txt", text);
    Write("empty.txt", "");
    Write("dir/sub/b.txt", text + text);
  }
  void TearDown() override { fs::remove_all(root_); }

  void Write(const std::string& name, const std::string& content) {
    std::ofstream(root_ / "src" / name, std::ios::binary) << content;
  }

  fs::path Make(const std::string& options, const std::string& files,
                const std::string& environment = "") {
    fs::path archive = root_ / (options + ".lzh");
    std::string command = "cd '" + (root_ / "src").string() + "' && " + environment + " jlha " +
                          options + " '" + archive.string() + "' " + files + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return archive;
  }

  fs::path root_;
};

TEST_F(JlhaTest, EachLevelAndMethodListsFoldersFilesAndEmptyFiles) {
  struct Case {
    const char* options;
    const char* method;
  };
  for (const Case& c :
       {Case{"a0z", "-lh0-"}, Case{"a1", "-lh5-"}, Case{"a2o6", "-lh6-"}, Case{"a2o7", "-lh7-"}}) {
    SCOPED_TRACE(c.options);
    fs::path archive = Make(c.options, "a.txt empty.txt dir");
    EXPECT_NE(UnlhaCheckArchive(archive.c_str(), 1), 0);
    auto members = List(archive);
    ASSERT_EQ(members.count("a.txt"), 1u);
    const UnlhaMemberInfo& a = members["a.txt"];
    EXPECT_STREQ(a.szMode, c.method);
    EXPECT_EQ(a.dwOriginalSize, fs::file_size(root_ / "src" / "a.txt"));
    ASSERT_EQ(members.count("empty.txt"), 1u);
    EXPECT_EQ(members["empty.txt"].dwOriginalSize, 0u);
    EXPECT_EQ(members["empty.txt"].wRatio, 0);
    ASSERT_EQ(members.count("dir\\sub\\b.txt"), 1u);
    // Level 0 keeps no folder entries; the others list them with "-lhd-".
    if (c.options[1] != '0') {
      ASSERT_EQ(members.count("dir\\sub\\"), 1u);
      EXPECT_STREQ(members["dir\\sub\\"].szMode, "-lhd-");
    }
  }
}

TEST_F(JlhaTest, AgreesWith7Zip) {
  if (!HaveTool("7zz")) GTEST_SKIP() << "7zz is not installed: skipped";
  fs::path archive = Make("a2", "a.txt empty.txt dir");
  auto members = List(archive);
  std::string slt = Capture("7zz l -slt '" + archive.string() + "'");
  // One block per member: Path, Size, Packed Size, CRC, Method.
  std::size_t checked = 0;
  for (std::size_t at = slt.find("\nPath = ", slt.find("----------")); at != std::string::npos;
       at = slt.find("\nPath = ", at + 1)) {
    auto field = [&](const std::string& key) {
      std::size_t start = slt.find("\n" + key + " = ", at);
      std::size_t end = slt.find('\n', start + 1);
      return slt.substr(start + key.size() + 4, end - start - key.size() - 4);
    };
    std::string path = field("Path");
    for (char& ch : path) {
      if (ch == '/') ch = '\\';
    }
    if (members.count(path) == 0) path += "\\";  // 7-Zip shows folders without the "\"
    ASSERT_EQ(members.count(path), 1u) << path;
    const UnlhaMemberInfo& info = members[path];
    if (std::string(info.szMode) != "-lhd-") {
      EXPECT_EQ(field("Size"), std::to_string(info.dwOriginalSize)) << path;
      EXPECT_EQ(field("Packed Size"), std::to_string(info.dwCompressedSize)) << path;
      char crc[16];
      std::snprintf(crc, sizeof crc, "%08X", info.dwCRC);
      EXPECT_EQ(field("CRC"), crc) << path;
    }
    EXPECT_EQ(field("Method"), info.szMode) << path;
    ++checked;
  }
  EXPECT_EQ(checked, members.size());
}

TEST_F(JlhaTest, ShiftJisNameBecomesUtf8) {
  Write("日本語ソ表.txt", "x\n");
  fs::path archive =
      Make("a1", "日本語ソ表.txt", "JAVA_TOOL_OPTIONS='-Duser.language=ja -Duser.country=JP'");
  auto members = List(archive);
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members.begin()->first, "日本語ソ表.txt");
}

TEST_F(JlhaTest, LevelOneTimeIsTheStoredLocalTime) {
  fs::path archive = Make("a1", "a.txt");
  auto members = List(archive);
  ASSERT_EQ(members.count("a.txt"), 1u);
  // The test runs in UTC, as did jlha: the stored wall-clock time is the file's UTC time.
  auto mtime = fs::last_write_time(root_ / "src" / "a.txt");
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::file_clock::to_sys(mtime).time_since_epoch())
                     .count();
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  const UnlhaMemberInfo& info = members["a.txt"];
  EXPECT_EQ(info.wDate, ((tm.tm_year + 1900 - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  EXPECT_NEAR(info.wTime & ~0x1F, (tm.tm_hour << 11) | (tm.tm_min << 5), 0);
}

}  // namespace
