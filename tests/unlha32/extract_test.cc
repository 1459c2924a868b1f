// The t, x and e commands through the library's entry point, on crafted archives: where
// members land, what is refused, and what damage leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "header_builder.h"
#include "unlha32/command.h"
#include "unlha32/unlha32.h"

namespace unlha32::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kT = 1577934246;  // 2020-01-02 03:04:06 UTC

std::uint16_t CrcOf(const std::string& text) {
  return Crc16(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// A stored member: the data is its own packed form.
HeaderBuilder Stored(std::string name, std::string content, int level = 0) {
  return HeaderBuilder{.level = level,
                       .method = "-lh0-",
                       .data = content,
                       .original = static_cast<std::uint32_t>(content.size()),
                       .name = std::move(name),
                       .data_crc = CrcOf(content),
                       .header_crc = level > 0};
}

HeaderBuilder WithExts(HeaderBuilder builder, std::vector<Ext> exts) {
  builder.exts = std::move(exts);
  return builder;
}

Bytes Mode(std::uint16_t mode) {
  return Bytes{static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(mode >> 8)};
}

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "out"); }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const Bytes& bytes) {
    std::string path = (dir_ / "test.lzh").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path;
  }

  int Run(const std::string& line) {
    std::string command = line;
    return Unlha(nullptr, command.data(), output_, sizeof output_);
  }
  int Run(char verb, const Bytes& archive, const std::string& switches = "") {
    return Run(std::string(1, verb) + " " + switches + " \"" + Write(archive) + "\" \"" +
               (dir_ / "out").string() + "/\"");
  }

  // Every entry below the test folder, except the archive; links marked with "@".
  std::set<std::string> Entries() {
    std::set<std::string> entries;
    for (auto it = fs::recursive_directory_iterator(dir_); it != fs::end(it); ++it) {
      std::string name = it->path().lexically_relative(dir_).string();
      if (name == "test.lzh") continue;
      entries.insert(it->is_symlink() ? name + "@" : name);
    }
    return entries;
  }

  const fs::path dir_ = fs::temp_directory_path() / ("unlha32_x_" + std::to_string(::getpid()));
  char output_[4096];
};

// Level 0 headers carry the whole path as their name, "\" between folders.
TEST_F(ExtractTest, MembersLandBelowTheBaseFolder) {
  struct Case {
    const char* stored;
    char verb;
    std::set<std::string> entries;
    int code = 0;
  };
  const Case cases[] = {
      {"dir\\sub\\b.txt", 'x', {"out", "out/dir", "out/dir/sub", "out/dir/sub/b.txt"}},
      {"dir\\sub\\b.txt", 'e', {"out", "out/b.txt"}},
      {"dir/./b.txt", 'x', {"out", "out/dir", "out/dir/b.txt"}},
      {"\\abs\\b.txt", 'x', {"out", "out/abs", "out/abs/b.txt"}},
      {"C:\\b.txt", 'x', {"out", "out/b.txt"}},
      {"bad\x1B]2;name\x07", 'x', {"out", "out/bad?]2;name?"}},
      {"..\\evil.txt", 'x', {"out"}, 0x800D},
      {"dir\\..\\..\\evil.txt", 'x', {"out"}, 0x800D},
      {"dir\\..\\..\\evil.txt", 'e', {"out"}, 0x800D},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.verb, Archive({Stored(c.stored, "data").Build()})), c.code) << c.stored;
    EXPECT_EQ(Entries(), c.entries) << c.stored << "\n" << output_;
    fs::remove_all(dir_ / "out");
    fs::create_directory(dir_ / "out");
  }
}

TEST_F(ExtractTest, LinksAreNeitherCreatedNorFollowed) {
  // LHa for UNIX stores a link as a folder entry "name|target" with a link's mode; a member
  // after it then writes into the folder of that name.
  HeaderBuilder link = WithExts(Stored("etc|/tmp", "", 2), {{0x50, Mode(0120777)}});
  link.method = "-lhd-";
  Bytes device = WithExts(Stored("dev", "", 2), {{0x50, Mode(0020644)}}).Build();
  EXPECT_EQ(Run('x', Archive({link.Build(), device, Stored("etc\\passwd", "pw").Build()})), 0x8008);
  EXPECT_EQ(Entries(), (std::set<std::string>{"out", "out/etc", "out/etc/passwd"})) << output_;

  // A link that was there already is not walked through either.
  fs::remove_all(dir_ / "out/etc");
  fs::create_directory(dir_ / "outside");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "out/etc");
  EXPECT_EQ(Run('x', Archive({Stored("etc\\passwd", "pw").Build()})), 0x8012);
  EXPECT_EQ(Entries(), (std::set<std::string>{"out", "out/etc@", "outside"}));
}

TEST_F(ExtractTest, DamagedMembersLeaveNoFile) {
  HeaderBuilder damaged = Stored("bad.txt", "data");
  damaged.data_crc ^= 1;
  Bytes archive = Archive({damaged.Build(), Stored("good.txt", "fine").Build()});
  EXPECT_EQ(Run('x', archive), 0x800C);
  // Neither the final name nor a temporary file is left.
  EXPECT_EQ(Entries(), (std::set<std::string>{"out", "out/good.txt"}));
  EXPECT_EQ(std::string(output_), "bad.txt: CRC error\n1 of 2 member(s) extracted\n");

  EXPECT_EQ(Run("t \"" + Write(archive) + "\""), 0x800C);
  EXPECT_EQ(std::string(output_), "bad.txt: CRC error\n2 member(s) tested, 1 failed\n");
  EXPECT_EQ(Run("t \"" + Write(archive) + "\" good.*"), 0);
  // A damaged header after the members: what came before is extracted, and the damage told.
  Bytes cut(archive.begin(), archive.end() - 3);
  EXPECT_EQ(Run("t \"" + Write(cut) + "\" good.*"), 0x8017);
}

TEST_F(ExtractTest, ExistingFilesAreReplacedOnlyWhenAsked) {
  std::ofstream(dir_ / "out/a.txt") << "old";
  std::ofstream(dir_ / "target") << "target";
  fs::create_symlink(dir_ / "target", dir_ / "out/b.txt");
  Bytes archive = Archive({Stored("a.txt", "new").Build(), Stored("b.txt", "new").Build()});
  EXPECT_EQ(Run('x', archive), 0x8010);
  EXPECT_EQ(std::ifstream(dir_ / "out/a.txt").rdbuf() != nullptr, true);
  std::string text;
  std::ifstream(dir_ / "out/a.txt") >> text;
  EXPECT_EQ(text, "old");

  EXPECT_EQ(Run('x', archive, "-o"), 0);
  std::ifstream(dir_ / "out/a.txt") >> text;
  EXPECT_EQ(text, "new");
  // The link is replaced by the file, and what it pointed to is left alone.
  EXPECT_FALSE(fs::is_symlink(dir_ / "out/b.txt"));
  std::ifstream(dir_ / "target") >> text;
  EXPECT_EQ(text, "target");
}

TEST_F(ExtractTest, TimesAndPermissionsAreRestored) {
  HeaderBuilder tool = Stored("tool", "#!", 2);
  tool.stamp = kT;
  tool.exts = {{0x50, Mode(0104751)}};  // set-user-id is never restored
  HeaderBuilder folder{.level = 2,
                       .method = "-lhd-",
                       .data = "",
                       .original = 0,
                       .stamp = kT + 60,
                       .name = "",
                       .exts = {{0x02, B("dir\xFF")}, {0x50, Mode(040700)}}};
  HeaderBuilder read_only = Stored("dir\\ro.txt", "x");
  read_only.attribute = 0x21;
  read_only.stamp = (40u << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 3;
  ASSERT_EQ(Run('x', Archive({tool.Build(), folder.Build(), read_only.Build()})), 0) << output_;

  struct stat st;
  ASSERT_EQ(::stat((dir_ / "out/tool").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_EQ(st.st_mtim.tv_sec, kT);
  ASSERT_EQ(::stat((dir_ / "out/dir").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(st.st_mtim.tv_sec, kT + 60);  // set after its file was written
  ASSERT_EQ(::stat((dir_ / "out/dir/ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(st.st_mtim.tv_sec, kT);  // the MS-DOS words of 2020-01-02 03:04:06, local (UTC)
}

TEST(CommandLine, WordsSwitchesAndTheBaseFolder) {
  struct Case {
    const char* line;
    int code;
    Command expected = {};
  };
  const Case cases[] = {
      {"x -o a.lzh out\\ *.txt b*", 0, {'x', true, false, "a.lzh", "out", {"*.txt", "b*"}}},
      {"E -or \"my a.lzh\" \"my out/\"", 0, {'e', true, true, "my a.lzh", "my out", {}}},
      {"t a.lzh -r *.c", 0, {'t', false, true, "a.lzh", "", {"*.c"}}},
      {"x -- -a.lzh / -b", 0, {'x', false, false, "-a.lzh", "/", {"-b"}}},
      {"v a.lzh", 0, {'v', false, false, "a.lzh", "", {}}},
      {"x -z a.lzh", 0x801C},
      {"x - a.lzh", 0x801C},
      {"a a.lzh file", 0x801C},
      {"xx a.lzh", 0x801C},
      {"x -o", 0x8019},
  };
  for (const Case& c : cases) {
    Command command;
    EXPECT_EQ(ParseCommand(c.line, &command), c.code) << c.line;
    if (c.code != 0) continue;
    EXPECT_EQ(command.verb, c.expected.verb) << c.line;
    EXPECT_EQ(command.overwrite, c.expected.overwrite) << c.line;
    EXPECT_EQ(command.recovery, c.expected.recovery) << c.line;
    EXPECT_EQ(command.archive, c.expected.archive) << c.line;
    EXPECT_EQ(command.base_folder, c.expected.base_folder) << c.line;
    EXPECT_EQ(command.patterns, c.expected.patterns) << c.line;
  }
}

}  // namespace
}  // namespace unlha32::test
