#include "tests/support/win32/windows_helpers.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "platform/win32/wide.h"

namespace testing_support {

using platform::win32::Widen;

void SetAttributesOf(const std::string& path, std::uint32_t attributes) {
  EXPECT_TRUE(::SetFileAttributesW(Widen(path).c_str(), attributes)) << path;
}

std::uint32_t AttributesOf(const std::string& path) {
  return ::GetFileAttributesW(Widen(path).c_str());
}

void RemoveRegistryKey(std::uint32_t root, const std::string& key) {
  HKEY root_key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
  ::RegDeleteTreeW(root_key, Widen(key).c_str());
  ::RegDeleteKeyW(root_key, Widen(key).c_str());
}

void CopyWholeFile(const std::string& from, const std::string& to) {
  EXPECT_TRUE(::CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE)) << from << " " << to;
}

unsigned ProcessId() { return ::GetCurrentProcessId(); }

namespace {

// The mount-point reparse data of a junction to `target` (an absolute path).
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE handle = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const std::wstring substitute = L"\\??\\" + target;
  const auto substitute_bytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  // Tag, data length, reserved; substitute name offset and length, print name offset and
  // length; then the substitute name and an empty print name, each ending with a NUL.
  std::vector<unsigned char> data(8 + 8 + substitute_bytes + 2 * sizeof(wchar_t), 0);
  auto put16 = [&](std::size_t at, WORD value) { std::memcpy(&data[at], &value, 2); };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(&data[0], &tag, 4);
  put16(4, static_cast<WORD>(data.size() - 8));
  put16(8, 0);
  put16(10, substitute_bytes);
  put16(12, static_cast<WORD>(substitute_bytes + sizeof(wchar_t)));
  put16(14, 0);
  std::memcpy(&data[16], substitute.data(), substitute_bytes);
  DWORD returned = 0;
  const BOOL made =
      ::DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, data.data(),
                        static_cast<DWORD>(data.size()), nullptr, 0, &returned, nullptr);
  ::CloseHandle(handle);
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  if (made && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return true;
  }
  ::RemoveDirectoryW(link.c_str());
  return false;
}

// The host's name of a Windows path, where the program runs under Wine; "" elsewhere.
std::string UnixNameOf(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return std::string();
  char* name = convert(path.c_str());
  if (name == nullptr) return std::string();
  std::string result(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Starts the host's program `program` (under Wine, which starts programs of the host as they
// are) with `arguments`, names of the host; false where there is no host.
bool StartHostProgram(const wchar_t* program, const std::vector<std::string>& arguments) {
  std::wstring command = program;
  for (const std::string& argument : arguments) command += L" \"" + Widen(argument) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

// Wine cannot wait for a program of the host: its effect is looked for until it shows.
bool Await(const std::wstring& path, bool present) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if ((::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present) return true;
    ::Sleep(50);
  }
  return false;
}

bool MakeHostLink(const std::wstring& link, const std::wstring& target) {
  const std::string unix_target = UnixNameOf(target);
  const std::string unix_link = UnixNameOf(link);
  return !unix_target.empty() && !unix_link.empty() &&
         StartHostProgram(L"Z:\\bin\\ln", {"-s", unix_target, unix_link}) && Await(link, true);
}

}  // namespace

bool RemoveThroughHost(const std::string& path) {
  const std::wstring wide = platform::win32::WidePath(path);
  const std::string unix_path = UnixNameOf(wide);
  return !unix_path.empty() && StartHostProgram(L"Z:\\bin\\rm", {"-rf", unix_path}) &&
         Await(wide, false);
}

bool MakeFolderLink(const std::string& link, const std::string& target) {
  const std::wstring wide_link = platform::win32::WidePath(link);
  std::wstring wide_target(32768, L'\0');
  DWORD length =
      ::GetFullPathNameW(platform::win32::WidePath(target).c_str(),
                         static_cast<DWORD>(wide_target.size()), wide_target.data(), nullptr);
  if (length == 0) return false;
  wide_target.resize(length);
  return MakeJunction(wide_link, wide_target) || MakeHostLink(wide_link, wide_target);
}

HeldFile::HeldFile(const std::string& path)
    : handle_(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {
  EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << path;
}

HeldFile::~HeldFile() {
  if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
}

}  // namespace testing_support
