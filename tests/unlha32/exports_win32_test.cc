// UnLHA32.DLL as callers of a library of that name see it: its export table, its entry
// points reached by name, and texts in the system's ANSI code page.
#include <windows.h>
// The platform layer's own function of this name, not the macro for the system call.
#undef SearchPath

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "archive/c_unlha.h"
#include "engine/com_file_ex.h"
#include "header_builder.h"
#include "platform/ansi_text.h"
#include "platform/dynamic_library.h"
#include "platform/search.h"
#include "platform/win32/wide.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"
#include "unlha32/unlha32.h"

namespace unlha32::test {
namespace {

// The names in a loaded module's export table.
std::vector<std::string> ExportedNames(HMODULE module) {
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> result;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  }
  std::sort(result.begin(), result.end());
  return result;
}

TEST(ExportsWin32Test, TheEntryPointsUnderTheirPlainNames) {
  const std::string path = platform::SearchPath("UnLHA32.DLL");
  ASSERT_EQ(path, platform::ProgramFolder() + "\\UnLHA32.DLL");
  platform::Status status;
  auto library = platform::DynamicLibrary::Open(path, &status);
  ASSERT_TRUE(library) << status.message();
  EXPECT_EQ(
      ExportedNames(::GetModuleHandleW(L"UnLHA32.DLL")),
      (std::vector<std::string>{
          "Unlha", "UnlhaCheckArchive", "UnlhaCloseArchive", "UnlhaConfigDialog", "UnlhaFindFirst",
          "UnlhaFindNext", "UnlhaGetBackGroundMode", "UnlhaGetCursorMode", "UnlhaGetMemberDetail",
          "UnlhaGetMemberPath", "UnlhaGetRunning", "UnlhaGetVersion", "UnlhaOpenArchive",
          "UnlhaSetBackGroundMode", "UnlhaSetCursorMode", "UnlhaSetKeepGoing"}));
  // Called through the platform's calling convention, as a genuine library is.
  auto version = reinterpret_cast<WORD(WINAPI*)()>(library->Symbol("UnlhaGetVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 100);
  EXPECT_EQ(library->Symbol("_UnlhaGetVersion@0"), nullptr);

  testing_support::ScriptedHost messages;
  archive::cUnLHA unlha(path, messages);
  EXPECT_TRUE(unlha.usable());
  EXPECT_TRUE(messages.boxes.empty());
}

// The optional entry point reaches cUnLHA through the same convention: a member of header
// level 2 carries its instant (which the decision compares with the file's), one of level 1
// only its local time.
TEST(ExportsWin32Test, MembersOfLevelTwoCarryTheirInstant) {
  testing_support::TempDir dir;
  const std::uint32_t instant = 1730614200;  // 2024-11-03 06:10:00 UTC
  const Bytes bytes = Archive({HeaderBuilder{.level = 2, .stamp = instant, .name = "a"}.Build(),
                               HeaderBuilder{.level = 1, .name = "b"}.Build()});
  const std::string path = dir / "old.lzh";
  std::ofstream(std::filesystem::path(platform::win32::Widen(path)), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  testing_support::ScriptedHost messages;
  archive::cUnLHA unlha(platform::SearchPath("UnLHA32.DLL"), messages);
  ASSERT_EQ(unlha.SetArcFile(path), 2);
  std::int16_t first = 0, second = 1;
  EXPECT_EQ(unlha.FileInstant(first), std::optional<std::int64_t>(instant));
  // Its texts are the same instant in local time, as the program writes a file's.
  EXPECT_EQ(unlha.FileDate(first) + " " + unlha.FileTime(first), engine::FormatTime(instant));
  EXPECT_EQ(unlha.FileInstant(second), std::nullopt);
}

TEST(ExportsWin32Test, NamesAndPathsCrossTheInterfaceInTheAnsiCodePage) {
  if (::GetACP() != 932) GTEST_SKIP() << "needs a Japanese code page (932): skipped";
  testing_support::TempDir dir;
  // A Shift_JIS name, and a folder whose "é" code page 932 cannot hold: the library is handed
  // the folder's short name.
  const Bytes bytes = Archive({HeaderBuilder{.level = 1, .name = "\x93\xFA\x96\x7B.txt"}.Build()});
  testing_support::MakeFolders(dir / "café");
  const std::string path = dir / "café/名前.lzh";
  std::ofstream(std::filesystem::path(platform::win32::Widen(path)), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));

  // A path the code page holds reaches the library as it is.
  const std::string japanese = dir / "日本/名前.lzh";
  testing_support::MakeFolders(dir / "日本");
  testing_support::CopyWholeFile(path, japanese);

  testing_support::ScriptedHost messages;
  archive::cUnLHA unlha(platform::SearchPath("UnLHA32.DLL"), messages);
  EXPECT_TRUE(unlha.CheckArchive(japanese));
  EXPECT_EQ(platform::AnsiPath(japanese), platform::Utf8ToAnsi(japanese));
  EXPECT_TRUE(unlha.CheckArchive(path));
  ASSERT_EQ(unlha.SetArcFile(path), 1);
  std::int16_t first = 0;
  EXPECT_EQ(unlha.FileName(first), "日本.txt");
  EXPECT_TRUE(messages.boxes.empty());

  // The record itself holds the code page's bytes.
  UNLHA_HARC handle = UnlhaOpenArchive(nullptr, platform::AnsiPath(path).c_str(), 0);
  ASSERT_NE(handle, nullptr);
  alignas(8) unsigned char buffer[UNLHA_MEMBER_INFO_BUFFER_SIZE] = {};
  auto* info = reinterpret_cast<UnlhaMemberInfo*>(buffer);
  ASSERT_EQ(UnlhaFindFirst(handle, "\x93\xFA*", info), 0);
  EXPECT_STREQ(info->szFileName, "\x93\xFA\x96\x7B.txt");
  UnlhaCloseArchive(handle);
}

}  // namespace
}  // namespace unlha32::test
