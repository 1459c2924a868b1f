// The Windows platform layer against the system (under Wine in CI): path rules, attributes,
// long and odd names, the atomic copy, the registry, the library search, the ANSI edge.
#include <windows.h>
// The platform layer's own functions of these names, not the macros for the system calls.
#undef CopyFile
#undef SearchPath

#include <gtest/gtest.h>

#include <tuple>

#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "platform/registry.h"
#include "platform/search.h"
#include "platform/win32/wide.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using win32::Widen;

void SetAttributes(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(Widen(path).c_str(), attributes)) << path;
}

std::vector<std::string> Names(const std::string& folder, ListWhat what) {
  std::vector<std::string> names;
  EXPECT_TRUE(FileSystem::Default()
                  .List(folder, what, true,
                        [&](const ListedEntry& entry) {
                          names.emplace_back(entry.name);
                          return true;
                        })
                  .ok());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PathRulesWin32Test, DrivesNetworkAndRootlessPathsAsWritten) {
  using Row = std::tuple<const char*, std::size_t, bool, bool>;  // path, root, network, rootless
  for (auto [path, root, network, rootless] : {
           Row{"C:\\a\\b", 2, false, false},
           Row{"d:x", 2, false, false},
           Row{"\\\\server\\share\\x", 2, true, true},
           Row{"//server/share", 2, true, true},  // "/" spells "\" here
           Row{"\\backup", 0, false, true},
           Row{"/backup", 0, false, true},
           Row{"backup\\x", 0, false, false},
       }) {
    EXPECT_EQ(RootNameLength(path), root) << path;
    EXPECT_EQ(IsNetworkPath(path), network) << path;
    EXPECT_EQ(IsRootlessPath(path), rootless) << path;
  }
  EXPECT_EQ(Separator(), '\\');
  EXPECT_TRUE(IsSeparator('/'));
  EXPECT_FALSE(NamesAreCaseSensitive());
  EXPECT_EQ(ArchiveLibraryFileName(), "UnLHA32.DLL");
}

TEST(FileSystemWin32Test, HiddenAndSystemEntriesAreNeverListed) {
  TempDir dir;
  for (const char* name :
       {"plain.txt", "hidden.txt", "system.txt", "read-only.txt", "日本語.txt"}) {
    WriteFile(dir / name, "x");
  }
  for (const char* name : {"Folder", "HiddenFolder", "SystemFolder"}) {
    testing_support::MakeFolders(dir / name);
  }
  SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(dir / "system.txt", FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(dir / "read-only.txt", FILE_ATTRIBUTE_READONLY);
  SetAttributes(dir / "HiddenFolder", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  SetAttributes(dir / "SystemFolder", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);

  EXPECT_EQ(Names(dir.path(), ListWhat::kFiles),
            (std::vector<std::string>{"plain.txt", "read-only.txt", "日本語.txt"}));
  EXPECT_EQ(Names(dir.path() + "/", ListWhat::kFolders), std::vector<std::string>{"Folder"});

  // Probing still tells what is there: a system folder stays a folder copies may go into.
  EntryInfo info;
  ASSERT_TRUE(FileSystem::Default().Probe(dir / "system.txt", &info).ok());
  EXPECT_EQ(info.kind, EntryKind::kSystem);
  ASSERT_TRUE(FileSystem::Default().Probe(dir / "SystemFolder", &info).ok());
  EXPECT_EQ(info.kind, EntryKind::kFolder);
  ASSERT_TRUE(FileSystem::Default().Probe(dir / "hidden.txt", &info).ok());
  EXPECT_TRUE(info.hidden);
  ASSERT_TRUE(FileSystem::Default().Probe(dir / "read-only.txt", &info).ok());
  EXPECT_TRUE(info.read_only);
  EXPECT_EQ(
      FileSystem::Default()
          .List(dir / "missing", ListWhat::kFiles, false, [](const ListedEntry&) { return true; })
          .code(),
      kPathNotFound);
}

TEST(FileSystemWin32Test, NamesThatAreNotUtf16AreListedAndCopied) {
  TempDir dir;
  // A lone surrogate is a legal Windows name; it travels as its generalized UTF-8 form.
  const std::wstring odd = Widen(dir / "") + L"\xD800odd.txt";
  HANDLE file = ::CreateFileW(odd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    GTEST_SKIP() << "this file system cannot hold such a name (Wine stores names as UTF-8)";
  }
  ::CloseHandle(file);
  const std::vector<std::string> names = Names(dir.path(), ListWhat::kFiles);
  ASSERT_EQ(names, std::vector<std::string>{"\xED\xA0\x80odd.txt"});
  auto tree = DestinationTree::Open(dir.path());
  ASSERT_TRUE(tree->CopyFile(dir / names[0], dir / "copy.txt", [] { return true; }).ok());
  EXPECT_EQ(ReadFile(dir / "copy.txt"), "");
}

// Names on disk that the classic path form would change (a device name, a trailing dot or
// space) are reached as they are, never as the device or another file.
TEST(FileSystemWin32Test, NamesThatClassicPathsChangeAreReachedAsTheyAre) {
  TempDir dir;
  const std::vector<std::string> odd = {"aux.txt", "com1", "trail.", "space "};
  for (const std::string& name : odd) WriteFile("\\\\?\\" + dir / ("in\\" + name), name);
  std::vector<std::string> sorted = odd;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(Names(dir / "in", ListWhat::kFiles), sorted);
  auto tree = DestinationTree::Open(dir.path());
  for (std::size_t i = 0; i < odd.size(); ++i) {
    EntryInfo info;
    ASSERT_TRUE(FileSystem::Default().Probe(dir / ("in\\" + odd[i]), &info).ok()) << odd[i];
    EXPECT_EQ(info.kind, EntryKind::kFile) << odd[i];
    EXPECT_EQ(info.size, odd[i].size()) << odd[i];
    const std::string copy = dir / ("out\\" + std::to_string(i) + ".txt");
    ASSERT_TRUE(tree->MakeFolders(dir / "out", [](std::string_view) { return ""; }).ok());
    Status status = tree->CopyFile(dir / ("in\\" + odd[i]), copy, [] { return true; });
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(ReadFile(copy), odd[i]);
  }
}

TEST(FileSystemWin32Test, PathsBeyondTheOldLimitWork) {
  TempDir dir;
  WriteFile(dir / "copy.txt", "c");
  std::string deep = dir.path();
  while (deep.size() < 400) {
    deep += "\\a-folder-name-of-forty-characters-long-";
    ASSERT_TRUE(FileSystem::Default().MakeFolder(deep).ok()) << deep.size();
  }
  auto tree = DestinationTree::Open(dir.path());
  Status status = tree->CopyFile(dir / "copy.txt", deep + "\\f.txt", [] { return true; });
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(Names(deep, ListWhat::kFiles), std::vector<std::string>{"f.txt"});
}

class RegistryWin32Test : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, Widen(key_).c_str()); }
  const std::string key_ = "Software\\Grebewick-test-" + std::to_string(::GetCurrentProcessId());
};

TEST_F(RegistryWin32Test, ValuesRoundTripThroughTheSystemRegistry) {
  Registry& registry = Registry::Default();
  const RegistryValue values[] = {RegistryValue::String("変更されたファイル ﾌｧｲﾙ"),
                                  RegistryValue::String("%TEMP%\\x", kRegExpandString),
                                  RegistryValue::Number(0xFFFFFFFEu),
                                  RegistryValue{kRegBinary, std::string("a\0b", 3)}};
  for (const RegistryValue& value : values) {
    ASSERT_TRUE(registry.SetValue(kCurrentUser, key_ + "\\Sub", "Name", value).ok());
    RegistryValue read;
    ASSERT_TRUE(registry.QueryValue(kCurrentUser, key_ + "\\sub", "NAME", &read).ok());
    EXPECT_EQ(read.type, value.type);
    EXPECT_EQ(read.data, value.data);
  }
  RegistryValue read;
  EXPECT_EQ(registry.QueryValue(kCurrentUser, key_, "Missing", &read).code(), kFileNotFound);
  EXPECT_EQ(registry.QueryValue(kCurrentUser, key_ + "\\None", "", &read).code(), kFileNotFound);
  EXPECT_EQ(registry.SetValue(kCurrentUser, key_ + "\\\\x", "", values[0]).code(),
            kInvalidArgument);
  EXPECT_EQ(registry.QueryValue(0x12345678u, key_, "", &read).code(), kInvalidArgument);
}

TEST(SearchWin32Test, FindsLibrariesBesideTheProgramAndInTheSystemOnly) {
  EXPECT_EQ(SearchPath("UnLHA32.DLL"), ProgramFolder() + "\\UnLHA32.DLL");
  EXPECT_NE(SearchPath("kernel32.dll"), "");
  // A library planted in the current folder or in a folder of PATH is never found.
  TempDir dir;
  const std::string name = "planted-" + std::to_string(::GetCurrentProcessId()) + ".dll";
  WriteFile(dir / name, "MZ");
  wchar_t previous[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(Widen(dir.path()).c_str()));
  ::SetEnvironmentVariableW(L"PATH", Widen(dir.path()).c_str());
  EXPECT_EQ(SearchPath(name), "");
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(SearchPath(dir / name), dir / name);  // a path is taken as given
}

TEST(AnsiTextWin32Test, ConvertsThroughTheActiveCodePage) {
  if (::GetACP() != 932) GTEST_SKIP() << "needs a Japanese code page (932): skipped";
  bool exact = false;
  const std::string ansi = Utf8ToAnsi("日本語ﾌｧｲﾙ.txt", &exact);
  EXPECT_TRUE(exact);
  EXPECT_EQ(ansi, "\x93\xFA\x96\x7B\x8C\xEA\xCC\xA7\xB2\xD9.txt");
  EXPECT_EQ(AnsiToUtf8(ansi), "日本語ﾌｧｲﾙ.txt");
  // No look-alike: a character the code page lacks is a "?" and says so.
  EXPECT_EQ(Utf8ToAnsi("café", &exact), "caf?");
  EXPECT_FALSE(exact);
  EXPECT_EQ(FitAnsi(ansi, 3), 2u);  // never half a double-byte character
  EXPECT_EQ(FitAnsi(ansi, 7), 7u);
}

}  // namespace
}  // namespace platform
