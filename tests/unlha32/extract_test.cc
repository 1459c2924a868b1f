// The t, x and e commands through the library's entry point, on crafted archives: where
// members land, what is refused, and what damage leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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

// Folder entries as OS-9 LHA writes them: the folder carries OS-9's own attribute bits where
// a Unix mode goes, without the folder bit.
TEST_F(ExtractTest, Os9FolderEntriesAreFolders) {
  HeaderBuilder folder{.level = 1,
                       .method = "-lhd-",
                       .data = "",
                       .original = 0,
                       .name = "",
                       .os = 'K',
                       .exts = {{0x50, Mode(0xFFBF)}, {0x02, B("subdir\xFF")}}};
  HeaderBuilder file = Stored("hello.txt", "Hello world\n", 1);
  file.os = 'K';
  file.exts = {{0x50, Mode(0711)}, {0x02, B("subdir\xFF")}};
  EXPECT_EQ(Run('x', Archive({folder.Build(), file.Build()})), 0) << output_;
  EXPECT_EQ(Entries(), (std::set<std::string>{"out", "out/subdir", "out/subdir/hello.txt"}));
  // Its bits say nothing a folder could use: it stays one that can be entered.
  struct stat st;
  ASSERT_EQ(::stat((dir_ / "out/subdir").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & S_IRWXU, S_IRWXU);
}

// A MacBinary stream: header, data fork and resource fork, each padded to 128 bytes.
std::string MacBinary(const std::string& data, const std::string& resource, bool version_two) {
  std::string header(128, '\0');
  header[1] = 3;
  header.replace(2, 3, "doc");
  header.replace(65, 8, "TEXTttxt");
  for (int i = 0; i < 4; ++i) {
    header[83 + i] = static_cast<char>(data.size() >> (24 - 8 * i));
    header[87 + i] = static_cast<char>(resource.size() >> (24 - 8 * i));
  }
  if (version_two) {
    header[122] = static_cast<char>(129);
    header[123] = static_cast<char>(129);
    std::uint16_t crc = 0;
    for (int i = 0; i < 124; ++i) {
      crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(header[i]) << 8);
      for (int bit = 0; bit < 8; ++bit) {
        crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
      }
    }
    header[124] = static_cast<char>(crc >> 8);
    header[125] = static_cast<char>(crc);
  }
  auto padded = [](std::string fork) { return fork.append((128 - fork.size() % 128) % 128, '\0'); };
  return header + padded(data) + padded(resource);
}

// MacLHA's members: a MacBinary stream, listed at its stored size, extracted as the data
// fork with the member's own time.
TEST_F(ExtractTest, MacLhaMembersAreExtractedAsTheirDataFork) {
  const std::string text = "a text made on a Macintosh\r";
  struct Case {
    const char* name;
    std::uint8_t os;
    std::string stored;
    std::string extracted;
  };
  const std::string bogus = "\0\x05" + std::string(200, 'x');  // a zero byte, then not MacBinary
  const Case cases[] = {
      {"plain", 'm', MacBinary(text, "", false), text},
      {"two", 'm', MacBinary(text, "resource fork", true), text},
      // Another system's file that happens to hold MacBinary is the user's file as it is.
      {"unix", 'U', MacBinary(text, "", false), MacBinary(text, "", false)},
      // MacLHA's "non-Mac" members are plain.
      {"nonmac", 'm', text, text},
      {"bogus", 'm', bogus, bogus},
  };
  for (const Case& c : cases) {
    HeaderBuilder member = Stored(c.name, c.stored, 1);
    member.os = c.os;
    member.stamp = (40u << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 3;
    const std::string archive = Write(Archive({member.Build()}));
    EXPECT_EQ(Run("x \"" + archive + "\" \"" + (dir_ / "out").string() + "/\""), 0) << output_;
    std::ifstream in(dir_ / "out" / c.name, std::ios::binary);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, c.extracted) << c.name;
    struct stat st;
    ASSERT_EQ(::stat((dir_ / "out" / c.name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, kT) << c.name;  // 2020-01-02 03:04:06 read as UTC

    UnlhaMemberInfo info{};
    UNLHA_HARC handle = UnlhaOpenArchive(nullptr, archive.c_str(), 0);
    ASSERT_EQ(UnlhaFindFirst(handle, "*.*", &info), 0);
    EXPECT_EQ(info.dwOriginalSize, c.stored.size()) << c.name;
    UnlhaCloseArchive(handle);
  }
}

// The caller stops a long command between the parts of a member; the member being written
// leaves nothing behind.
TEST_F(ExtractTest, TheCallerStopsTestingAndExtracting) {
  static int calls;
  auto stop_at_fifth = [](void*) -> UNLHA_BOOL { return ++calls < 5; };
  const std::string long_text(2 << 20, 'l');
  const Bytes archive =
      Archive({Stored("first", "first").Build(), Stored("long", long_text).Build()});
  for (char verb : {'x', 't'}) {
    calls = 0;
    ASSERT_EQ(UnlhaSetKeepGoing(stop_at_fifth, nullptr), 0);
    EXPECT_EQ(Run(verb, archive), 0x8020) << verb;
    EXPECT_EQ(std::string(output_), "interrupted\n") << verb;
    EXPECT_GT(calls, 4);
  }
  EXPECT_EQ(Entries(), (std::set<std::string>{"out", "out/first"}));
  ASSERT_EQ(UnlhaSetKeepGoing(nullptr, nullptr), 0);
  fs::remove(dir_ / "out/first");
  EXPECT_EQ(Run('x', archive), 0);
}

TEST_F(ExtractTest, PatternsThatMatchNothingAndAMissingEndMarkAreReported) {
  const Bytes archive = Archive({Stored("a.txt", "a").Build(), Stored("b.txt", "b").Build()});
  const std::string path = Write(archive);
  const std::string out = "\"" + (dir_ / "out").string() + "/\"";
  EXPECT_EQ(Run("x \"" + path + "\" " + out + " a* none*"), 0x801C);
  EXPECT_EQ(std::string(output_), "none*: no member matches\n1 of 1 member(s) extracted\n");
  EXPECT_EQ(Run("x -o \"" + path + "\" " + out + " none*"), 0x801C);
  EXPECT_EQ(std::string(output_), "none*: no member matches\n0 of 0 member(s) extracted\n");

  // Cut where the end mark was: every member is whole, yet the archive may be cut short.
  const std::string cut = Write(Bytes(archive.begin(), archive.end() - 1));
  EXPECT_EQ(Run("t \"" + cut + "\""), 0x8017);
  EXPECT_NE(std::string(output_).find("ends without its end mark"), std::string::npos) << output_;
  EXPECT_EQ(Run("t \"" + Write(archive) + "\""), 0);
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
