// The test helpers of temp_dir.h on Windows: the same contracts, with "\" as the separator
// of the paths they hand out ("/" is accepted in the paths they are given).
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/file_time.h"
#include "platform/win32/wide.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"

namespace testing_support {
namespace {

namespace fs = std::filesystem;
using platform::win32::Narrow;
using platform::win32::Widen;

// Lifts the read-only mark of everything below `root`, which would keep it from removal.
void MakeWritable(const fs::path& root) {
  std::error_code error;
  ::SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_NORMAL);
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    DWORD attributes = ::GetFileAttributesW(it->path().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      ::SetFileAttributesW(
          it->path().c_str(),
          attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }
  }
}

}  // namespace

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  const std::wstring wide_name = platform::win32::Widen(name);
  const wchar_t* old = ::_wgetenv(wide_name.c_str());
  had_ = old != nullptr;
  if (had_) old_ = platform::win32::Narrow(old);
  ::SetEnvironmentVariableW(wide_name.c_str(), platform::win32::Widen(value).c_str());
  ::_wputenv_s(wide_name.c_str(), platform::win32::Widen(value).c_str());
}

ScopedEnv::~ScopedEnv() {
  const std::wstring wide_name = platform::win32::Widen(name_);
  const std::wstring old = platform::win32::Widen(old_);
  ::SetEnvironmentVariableW(wide_name.c_str(), had_ ? old.c_str() : nullptr);
  ::_wputenv_s(wide_name.c_str(), had_ ? old.c_str() : L"");
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH + 1];
  DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
  if (length == 0) throw std::runtime_error("no temporary folder");
  std::wstring folder(base, length);
  if (folder.back() != L'\\') folder.push_back(L'\\');
  static unsigned counter = ::GetTickCount();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = folder + L"grebewick-test-" +
                             std::to_wstring(::GetCurrentProcessId()) + L"-" +
                             std::to_wstring(counter++);
    if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = Narrow(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code error;
  // In the prefixed form, so that every path below it is too: deep ones, and names such as
  // "com1" that a classic path would take for a device.
  const fs::path root(L"\\\\?\\" + Widen(path_));
  MakeWritable(root);
  fs::remove_all(root, error);
  if (fs::exists(root, error)) RemoveThroughHost(path_);
}

std::string TempDir::operator/(const std::string& relative) const {
  std::string path = path_ + "\\" + relative;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void MakeFolders(const std::string& path) { fs::create_directories(PathOf(path)); }

void WriteFile(const std::string& path, const std::string& content, std::int64_t mtime) {
  fs::path p = PathOf(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
  }
  if (mtime != -1) SetMtime(path, mtime);
}

void SetMtime(const std::string& path, std::int64_t mtime) {
  HANDLE file = ::CreateFileW(PathOf(path).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  FILETIME time = platform::win32::FileTimeOf(mtime);
  BOOL done = ::SetFileTime(file, nullptr, &time, &time);
  ::CloseHandle(file);
  if (!done) throw std::runtime_error("cannot set time of " + path);
}

std::int64_t Mtime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(PathOf(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return platform::win32::UnixSecondsOf(data.ftLastWriteTime);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesW(PathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> files;
  std::error_code error;
  const fs::path base = PathOf(root);
  for (auto it = fs::recursive_directory_iterator(base, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_regular_file(error) && !it->is_symlink(error)) {
      std::string relative = Narrow(fs::relative(it->path(), base).wstring());
      std::replace(relative.begin(), relative.end(), '\\', '/');
      files.push_back(relative);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

fs::path PathOf(const std::string& path) { return fs::path(platform::win32::WidePath(path)); }

}  // namespace testing_support
