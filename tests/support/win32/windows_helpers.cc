#include "tests/support/win32/windows_helpers.h"

#include <gtest/gtest.h>
#include <windows.h>

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

}  // namespace testing_support
