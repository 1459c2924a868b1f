#include <windows.h>

#include <algorithm>

#include "platform/input_file.h"
#include "platform/win32/file_time.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

class Win32InputFile final : public InputFile {
 public:
  Win32InputFile(win32::Handle handle, const BY_HANDLE_FILE_INFORMATION& info, std::string path)
      : handle_(std::move(handle)), path_(std::move(path)) {
    size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    mtime_ = win32::UnixSecondsOf(info.ftLastWriteTime);
    mode_ = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  }

  Status Read(std::span<std::uint8_t> buffer, std::size_t* got) override {
    DWORD read = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
    if (!::ReadFile(handle_.get(), buffer.data(), want, &read, nullptr)) {
      return win32::LastErrorStatus("read", path_);
    }
    *got = read;
    return Status::Ok();
  }

 private:
  win32::Handle handle_;
  std::string path_;
};

}  // namespace

Status InputFile::Open(const std::string& path, std::unique_ptr<InputFile>* file) {
  // The reparse point itself, never what it points to.
  win32::Handle handle(::CreateFileW(
      win32::WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle.valid()) {
    if (win32::IsMissing(::GetLastError())) {
      return Status::Error(kFileNotFound, "open(" + path + "): no such file");
    }
    return win32::LastErrorStatus("open", path);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle.get(), &info)) {
    return win32::LastErrorStatus("stat", path);
  }
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Status::Error(kFileNotFound, "open(" + path + "): a link or a folder, not a file");
  }
  *file = std::make_unique<Win32InputFile>(std::move(handle), info, path);
  return Status::Ok();
}

}  // namespace platform
