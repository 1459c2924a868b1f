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
#include <iterator>
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
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
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

// Every method and header level jLHA writes comes back byte for byte: the jlha command for
// the methods it offers, the jLHA library (MakeLzh.java) for the others and for level 3.
TEST_F(JlhaTest, EveryMethodAndLevelRoundTrips) {
  if (std::system("command -v javac >/dev/null") != 0) {
    GTEST_SKIP() << "no Java compiler to drive the jLHA library: skipped";
  }
  // More than the largest dictionary, of kinds that compress differently.
  std::string text, table, noise;
  std::uint32_t seed = 1;
  for (int i = 0; text.size() < 150000; ++i) {
    seed = seed * 1103515245 + 12345;
    text += "row " + std::to_string(seed % 977) + (i % 3 ? " of the text\n" : ", again\n");
    table += std::string(reinterpret_cast<const char*>(&i), 2) + static_cast<char>(seed >> 24);
  }
  for (int i = 0; i < 8192; ++i) noise += static_cast<char>((seed = seed * 69069 + 1) >> 24);
  Write("big.txt", text);
  Write("table.bin", table);
  Write("noise.bin", noise);
  const std::string files = "a.txt empty.txt big.txt table.bin noise.bin dir";

  std::map<fs::path, std::string> archives;  // and the method of big.txt in each
  for (auto [options, method] : {std::pair{"a0z", "-lh0-"}, {"a1", "-lh5-"}, {"a2o7", "-lh7-"}}) {
    archives[Make(options, files)] = method;
  }
  const std::string methods = "lh0,lh1,lh4,lh5,lh6,lh7,lzs,lz5";
  std::string command = "cd '" + (root_ / "src").string() +
                        "' && java -cp /usr/share/java/jlha.jar '" GREBEWICK_MAKE_LZH "' " +
                        methods + " 0,1,2,3 '" + root_.string() + "' " + files +
                        " dir/sub dir/sub/b.txt";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (std::size_t at = 0; at < methods.size(); at += 4) {
    for (char level : std::string("0123")) {
      std::string name = methods.substr(at, 3) + "_" + level + ".lzh";
      archives[root_ / name] = "-" + methods.substr(at, 3) + "-";
    }
  }

  for (const auto& [archive, method] : archives) {
    SCOPED_TRACE(archive.filename().string());
    EXPECT_NE(List(archive)["big.txt"].find(method), std::string::npos);
    fs::path out = root_ / "out" / archive.stem();
    std::string line = "x \"" + archive.string() + "\" \"" + out.string() + "/\"";
    char output[1024];
    EXPECT_EQ(Unlha(nullptr, line.data(), output, sizeof output), 0) << output;
    for (const char* file :
         {"a.txt", "empty.txt", "big.txt", "table.bin", "noise.bin", "dir/sub/b.txt"}) {
      EXPECT_EQ(Read(out / file), Read(root_ / "src" / file)) << file;
    }
  }
}

TEST_F(JlhaTest, ShiftJisNameBecomesUtf8) {
  Write("日本語ソ表.txt", "x\n");
  auto members = List(Make("a1", "日本語ソ表.txt"));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members.begin()->first, "日本語ソ表.txt");
}

}  // namespace
