// Archives made at test time by an independent LHA implementation (jlha), listed through
// the library and cross-checked with 7-Zip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "unlha32/unlha32.h"

namespace {

namespace fs = std::filesystem;

// Path -> "size packed CRC method date time" for every member, as the library lists it.
std::map<std::string, std::string> List(const fs::path& archive) {
  std::map<std::string, std::string> members;
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, archive.c_str(), 0);
  UnlhaMemberInfo i{};
  for (int r = UnlhaFindFirst(handle, "*.*", &i); r == 0; r = UnlhaFindNext(handle, &i)) {
    char text[96];
    std::snprintf(text, sizeof text, "%u %u %08X %s %04d-%02d-%02d %02d:%02d", i.dwOriginalSize,
                  i.dwCompressedSize, i.dwCRC, i.szMode, 1980 + (i.wDate >> 9), (i.wDate >> 5) & 15,
                  i.wDate & 31, i.wTime >> 11, (i.wTime >> 5) & 63);
    members[i.szFileName] = text;
  }
  UnlhaCloseArchive(handle);
  return members;
}

// The same from 7-Zip's technical listing. Both run in UTC, so its times are our MS-DOS
// words; seconds are left out, as those words halve them.
std::map<std::string, std::string> ListWith7Zip(const fs::path& archive) {
  std::map<std::string, std::string> members, f;
  FILE* pipe = popen(("7zz l -slt '" + archive.string() + "'").c_str(), "r");
  for (char buffer[4096]; std::fgets(buffer, sizeof buffer, pipe) != nullptr;) {
    std::string line(buffer, std::strcspn(buffer, "\n"));
    if (std::size_t eq = line.find(" = "); eq != std::string::npos) {
      f[line.substr(0, eq)] = line.substr(eq + 3);
      continue;
    }
    if (f.count("Method") != 0) {
      std::string path = f["Path"] + (f["Folder"] == "+" ? "/" : "");
      std::replace(path.begin(), path.end(), '/', '\\');
      members[path] = f["Size"] + " " + f["Packed Size"] + " " + f["CRC"] + " " + f["Method"] +
                      " " + f["Modified"].substr(0, 16);
    }
    f.clear();
  }
  pclose(pipe);
  return members;
}

class JlhaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("(command -v jlha && command -v 7zz) >/dev/null") != 0) {
      GTEST_SKIP() << "jlha or 7zz is not installed: skipped";
    }
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

  // In a Japanese locale jlha stores names in Shift_JIS, as LHA writers on Windows do.
  fs::path Make(const std::string& options, const std::string& files) {
    fs::path archive = root_ / (options + ".lzh");
    std::string command = "cd '" + (root_ / "src").string() +
                          "' && JAVA_TOOL_OPTIONS='-Duser.language=ja -Duser.country=JP' jlha " +
                          options + " '" + archive.string() + "' " + files + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return archive;
  }

  fs::path root_;
};

// Every member of every level, folders and the empty file included.
TEST_F(JlhaTest, EachLevelAndMethodAgreesWith7Zip) {
  const std::pair<const char*, const char*> cases[] = {
      {"a0z", "-lh0-"}, {"a1", "-lh5-"}, {"a2o6", "-lh6-"}, {"a2o7", "-lh7-"}};
  for (auto [options, method] : cases) {
    fs::path archive = Make(options, "a.txt empty.txt dir");
    EXPECT_NE(UnlhaCheckArchive(archive.c_str(), 1), 0) << options;
    auto members = List(archive);
    EXPECT_NE(members["a.txt"].find(method), std::string::npos) << options;
    EXPECT_EQ(members, ListWith7Zip(archive)) << options;
  }
}

TEST_F(JlhaTest, ShiftJisNameBecomesUtf8) {
  Write("日本語ソ表.txt", "x\n");
  auto members = List(Make("a1", "日本語ソ表.txt"));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members.begin()->first, "日本語ソ表.txt");
}

}  // namespace
