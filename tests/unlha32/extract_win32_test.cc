// The x command on Windows (under Wine in CI): stored paths land below the base folder under
// names Windows holds, or not at all; nothing goes through a junction; the read-only mark
// and the time come back.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "header_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"
#include "unlha32/unlha32.h"

namespace unlha32::test {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::uint32_t kT = 1577934246;  // 2020-01-02 03:04:06 UTC

HeaderBuilder Stored(std::string name, const std::string& content) {
  return HeaderBuilder{.level = 2,
                       .method = "-lh0-",
                       .data = content,
                       .original = static_cast<std::uint32_t>(content.size()),
                       .stamp = kT,
                       .name = std::move(name),
                       .data_crc = Crc16(std::span(
                           reinterpret_cast<const std::uint8_t*>(content.data()), content.size())),
                       .header_crc = true};
}

class ExtractWin32Test : public ::testing::Test {
 protected:
  int Extract(const std::vector<Bytes>& members, const std::string& switches = "") {
    const Bytes bytes = Archive(members);
    WriteFile(dir_ / "test.lzh", std::string(bytes.begin(), bytes.end()));
    std::string command =
        "x " + switches + " \"" + dir_ / "test.lzh" + "\" \"" + dir_ / "out" + "\\\"";
    return Unlha(nullptr, command.data(), output_, sizeof output_);
  }

  // Every entry below the base folder, hidden ones (a temporary file left) included.
  std::set<std::string> Entries() {
    std::set<std::string> entries;
    for (const auto& entry :
         fs::recursive_directory_iterator(testing_support::PathOf(dir_ / "out"))) {
      entries.insert(
          entry.path().lexically_relative(testing_support::PathOf(dir_ / "out")).generic_string());
    }
    return entries;
  }

  TempDir dir_;
  char output_[4096];
};

// A name the system would take for a device, a stream of another file or a shortened name
// is never written: the member fails with the reason and leaves nothing behind.
TEST_F(ExtractWin32Test, MembersLandBelowTheBaseFolderUnderNamesWindowsHolds) {
  struct Case {
    const char* stored;
    std::set<std::string> entries;
    int code = 0;
  };
  const Case cases[] = {
      {"dir\\sub\\b.txt", {"dir", "dir/sub", "dir/sub/b.txt"}},
      {"C:\\b.txt", {"b.txt"}},
      {"..\\evil.txt", {}, 0x800D},
      {"CON", {}, 0x800D},
      {"nul.txt", {}, 0x800D},
      {"dir\\aux\\f.txt", {"dir"}, 0x8012},
      {"dir\\a:b.txt", {"dir"}, 0x800D},  // not a stream of a file "a"
      {"trailing.", {}, 0x800D},
      {"bell\x07", {}, 0x800D},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Extract({Stored(c.stored, "data").Build()}), c.code) << c.stored << "\n" << output_;
    EXPECT_EQ(Entries(), c.entries) << c.stored << "\n" << output_;
    fs::remove_all(testing_support::PathOf(dir_ / "out"));
  }
}

TEST_F(ExtractWin32Test, NothingIsWrittenThroughAJunction) {
  testing_support::MakeFolders(dir_ / "out");
  testing_support::MakeFolders(dir_ / "outside");
  if (!testing_support::MakeFolderLink(dir_ / "out/etc", dir_ / "outside")) {
    GTEST_SKIP() << "this system makes neither junctions nor links";
  }
  EXPECT_EQ(Extract({Stored("etc\\passwd", "pw").Build()}), 0x8012) << output_;
  EXPECT_EQ(testing_support::FilesBelow(dir_ / "outside"), std::vector<std::string>{});
  testing_support::RemoveThroughHost(dir_ / "out");
}

// An existing file, a read-only one too, is replaced only when asked; the member's read-only
// mark and time are the file's.
TEST_F(ExtractWin32Test, ReadOnlyFilesAreKeptAndReplacedOnlyWhenAsked) {
  HeaderBuilder read_only = Stored("ro.txt", "new");
  read_only.attribute = 0x21;
  WriteFile(dir_ / "out/ro.txt", "old");
  testing_support::SetAttributesOf(dir_ / "out/ro.txt", testing_support::kReadOnly);
  EXPECT_EQ(Extract({read_only.Build()}), 0x8010) << output_;
  EXPECT_EQ(ReadFile(dir_ / "out/ro.txt"), "old");
  EXPECT_EQ(Extract({read_only.Build()}, "-o"), 0) << output_;
  EXPECT_EQ(ReadFile(dir_ / "out/ro.txt"), "new");
  EXPECT_EQ(testing_support::Mtime(dir_ / "out/ro.txt"), kT);
  EXPECT_TRUE(testing_support::AttributesOf(dir_ / "out/ro.txt") & testing_support::kReadOnly);
  EXPECT_EQ(Entries(), std::set<std::string>{"ro.txt"});
}

}  // namespace
}  // namespace unlha32::test
