#include <windows.h>
// Our own CopyFile, not the macro for the system call of that name.
#undef CopyFile

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/file_time.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

using win32::ErrorStatus;
using win32::Handle;
using win32::LastErrorStatus;
using win32::Narrow;
using win32::WidePath;

constexpr DWORD kUnwantedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The attributes a copy carries over; the others (compression, encryption, sparse, ...)
// describe how the source is stored, not what it is.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::uint64_t SizeOf(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Symbolic links and junctions point elsewhere; other reparse points (cloud files,
// deduplicated files, ...) are the file or folder itself, stored in a special way.
bool PointsElsewhere(DWORD attributes, DWORD reparse_tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (reparse_tag == IO_REPARSE_TAG_SYMLINK || reparse_tag == IO_REPARSE_TAG_MOUNT_POINT);
}

DWORD ReparseTagOf(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find =
      ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return 0;
  ::FindClose(find);
  return data.dwReserved0;
}

// What a link points to: its attributes, size and time. False when it points nowhere.
bool FollowLink(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
  Handle target(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return target.valid() && ::GetFileInformationByHandle(target.get(), info);
}

// The folder part of `path`, separator included ("" for a bare name).
std::string FolderOf(const std::string& path) {
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string TemporaryNameFor(const std::string& destination) {
  static const std::string prefix = "~grebewick-" + std::to_string(::GetCurrentProcessId()) + "-";
  static std::atomic<unsigned> counter{0};
  return FolderOf(destination) + prefix + std::to_string(counter.fetch_add(1)) + ".tmp";
}

// Removes a file of ours, read-only or not.
void RemoveOwnFile(const std::wstring& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
}

Status CopyData(HANDLE in, HANDLE out, const std::string& source, const std::string& temporary) {
  constexpr DWORD kBufferSize = 1 << 20;
  thread_local std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in, buffer.get(), kBufferSize, &got, nullptr)) {
      return LastErrorStatus("read", source);
    }
    if (got == 0) return Status::Ok();
    for (DWORD done = 0; done < got;) {
      DWORD written = 0;
      if (!::WriteFile(out, buffer.get() + done, got - done, &written, nullptr)) {
        return LastErrorStatus("write", temporary);
      }
      done += written;
    }
  }
}

// Replaces `destination` by `temporary`. A read-only file in the way is replaced too: the
// copy phase always overwrites, and Windows refuses to rename over a read-only file.
Status Replace(const std::wstring& temporary, const std::wstring& destination,
               const std::string& destination_text) {
  if (::MoveFileExW(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return Status::Ok();
  }
  DWORD error = ::GetLastError();
  DWORD attributes = ::GetFileAttributesW(destination.c_str());
  if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      ::SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    if (::MoveFileExW(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return Status::Ok();
    }
    error = ::GetLastError();
    ::SetFileAttributesW(destination.c_str(), attributes);
  }
  return ErrorStatus(error, "rename", destination_text);
}

// Writes a file's cached data to its disk; a read-only file is opened for it by lifting
// the attribute for a moment.
Status FlushFile(const std::wstring& path) {
  auto open = [&] {
    return Handle(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  };
  Handle file = open();
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (!file.valid() && ::GetLastError() == ERROR_ACCESS_DENIED) {
    attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      file = open();
    } else {
      attributes = INVALID_FILE_ATTRIBUTES;
    }
  }
  Status status;
  if (!file.valid()) {
    // A copy that is gone since (replaced, moved away) has nothing left to flush.
    if (!win32::IsMissing(::GetLastError())) status = LastErrorStatus("open", Narrow(path));
  } else if (!::FlushFileBuffers(file.get())) {
    status = LastErrorStatus("flush", Narrow(path));
  }
  file.Close();
  if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(path.c_str(), attributes);
  return status;
}

class Win32FileSystem final : public FileSystem {
 public:
  Status List(const std::string& folder, ListWhat what, bool want_stat,
              FunctionRef<bool(const ListedEntry&)> visit) override {
    std::wstring folder_path = WidePath(folder);
    if (!folder_path.empty() && folder_path.back() != L'\\') folder_path.push_back(L'\\');
    const std::wstring pattern = folder_path + L"*";
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
      DWORD error = ::GetLastError();
      // No entry at all (a drive's empty root has not even "." and "..").
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
        DWORD attributes = ::GetFileAttributesW(folder_path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
          return Status::Ok();
        }
      }
      if (win32::IsMissing(error)) {
        return Status::Error(kPathNotFound, "list(" + folder + "): no such folder");
      }
      return ErrorStatus(error, "list", folder);
    }
    struct Closer {
      HANDLE find;
      ~Closer() { ::FindClose(find); }
    } closer{find};

    Status failure;
    std::string name;
    do {
      const wchar_t* wide_name = data.cFileName;
      if (wide_name[0] == L'.' &&
          (wide_name[1] == L'\0' || (wide_name[1] == L'.' && wide_name[2] == L'\0'))) {
        continue;
      }
      if (data.dwFileAttributes & kUnwantedAttributes) continue;
      const bool is_folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      const bool is_link = PointsElsewhere(data.dwFileAttributes, data.dwReserved0);
      if (is_folder && is_link) continue;  // never walk a link or junction: no loops
      if (is_folder ? what == ListWhat::kFiles : what == ListWhat::kFolders) continue;

      ListedEntry listed;
      listed.is_folder = is_folder;
      if (!is_folder && want_stat) {
        listed.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
        listed.mtime = win32::UnixSecondsOf(data.ftLastWriteTime);
        if (is_link) {
          // A link to a file is listed as that file; one that points nowhere is not a file.
          BY_HANDLE_FILE_INFORMATION target;
          if (!FollowLink(folder_path + wide_name, &target)) {
            DWORD error = ::GetLastError();
            if (!win32::IsMissing(error) && failure.ok()) {
              failure = ErrorStatus(error, "stat", folder + Narrow(wide_name));
            }
            continue;
          }
          if (target.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
          listed.size = SizeOf(target.nFileSizeHigh, target.nFileSizeLow);
          listed.mtime = win32::UnixSecondsOf(target.ftLastWriteTime);
        }
      }
      name.clear();
      win32::AppendNarrow(wide_name, name);
      listed.name = name;
      if (!visit(listed)) return failure;
    } while (::FindNextFileW(find, &data));
    DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES) return ErrorStatus(error, "list", folder);
    return failure;
  }

  Status Probe(const std::string& path, EntryInfo* info) override {
    *info = EntryInfo();
    std::wstring wide = path.empty() ? std::wstring(L".") : WidePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
      DWORD error = ::GetLastError();
      if (win32::IsMissing(error)) return Status::Ok();
      return ErrorStatus(error, "stat", path);
    }
    DWORD attributes = data.dwFileAttributes;
    std::uint64_t size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
    std::int64_t mtime = win32::UnixSecondsOf(data.ftLastWriteTime);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        PointsElsewhere(attributes, ReparseTagOf(wide))) {
      BY_HANDLE_FILE_INFORMATION target;
      if (!FollowLink(wide, &target)) return Status::Ok();  // points nowhere
      // The link's own hidden and system marks say whether the name is listed.
      attributes =
          (target.dwFileAttributes & ~kUnwantedAttributes) | (attributes & kUnwantedAttributes);
      size = SizeOf(target.nFileSizeHigh, target.nFileSizeLow);
      mtime = win32::UnixSecondsOf(target.ftLastWriteTime);
    }
    // A folder with the system mark (a drive's root, a customized folder) is still a folder
    // that copies may be made into; a system file is never one of the files we copy.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      info->kind = EntryKind::kFolder;
    } else if (attributes & FILE_ATTRIBUTE_SYSTEM) {
      info->kind = EntryKind::kSystem;
    } else {
      info->kind = EntryKind::kFile;
      info->size = size;
    }
    info->hidden = attributes & FILE_ATTRIBUTE_HIDDEN;
    info->read_only = attributes & FILE_ATTRIBUTE_READONLY;
    info->mtime = mtime;
    return Status::Ok();
  }

  Status MakeFolder(const std::string& path) override {
    if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
      return LastErrorStatus("mkdir", path);
    }
    return Status::Ok();
  }

  Status CopyFile(const std::string& source, const std::string& destination) override {
    // Others may go on using the file; a copy is what was read.
    Handle in(::CreateFileW(WidePath(source).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.valid()) return LastErrorStatus("open", source);
    BY_HANDLE_FILE_INFORMATION from;
    if (!::GetFileInformationByHandle(in.get(), &from)) return LastErrorStatus("stat", source);
    if (from.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      return Status::Error(kFileNotFound, "copy(" + source + "): not a regular file");
    }

    std::string temporary;
    std::wstring wide_temporary;
    Handle out;
    for (int attempt = 0; attempt < 100 && !out.valid(); ++attempt) {
      temporary = TemporaryNameFor(destination);
      wide_temporary = WidePath(temporary);
      // Hidden until it carries the final name, so no listing ever takes it for a file.
      out.Reset(::CreateFileW(wide_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (!out.valid() && ::GetLastError() != ERROR_FILE_EXISTS) {
        return LastErrorStatus("create", temporary);
      }
    }
    if (!out.valid()) return ErrorStatus(ERROR_FILE_EXISTS, "create", temporary);

    Status status = CopyData(in.get(), out.get(), source, temporary);
    if (status.ok()) {
      FILE_BASIC_INFO basic = {};
      basic.LastAccessTime.QuadPart = win32::TicksOf(from.ftLastAccessTime);
      basic.LastWriteTime.QuadPart = win32::TicksOf(from.ftLastWriteTime);
      // Zero would mean "leave as it is", which would leave the copy hidden.
      DWORD attributes = from.dwFileAttributes & kKeptAttributes;
      basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
      if (!::SetFileInformationByHandle(out.get(), FileBasicInfo, &basic, sizeof basic)) {
        status = LastErrorStatus("set times", temporary);
      }
    }
    if (!out.Close() && status.ok()) status = LastErrorStatus("close", temporary);
    const std::wstring wide_destination = WidePath(destination);
    if (status.ok()) status = Replace(wide_temporary, wide_destination, destination);
    if (!status.ok()) {
      RemoveOwnFile(wide_temporary);
      return status;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    unflushed_.push_back(wide_destination);
    return Status::Ok();
  }

  // A volume is flushed whole when the process may open it (an administrator); otherwise
  // every file copied since the last flush is flushed on its own.
  Status Flush(const std::string& path) override {
    std::vector<std::wstring> files;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      files.swap(unflushed_);
    }
    std::wstring wide = path.empty() ? std::wstring(L".") : WidePath(path);
    wchar_t volume[MAX_PATH + 1];
    if (::GetVolumePathNameW(wide.c_str(), volume, MAX_PATH + 1)) {
      std::wstring device = volume;
      if (device.size() == 3 && device[1] == L':') {
        device = L"\\\\.\\" + device.substr(0, 2);
        Handle handle(::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
        if (handle.valid() && ::FlushFileBuffers(handle.get())) return Status::Ok();
      }
    }
    Status first;
    for (const std::wstring& file : files) {
      Status status = FlushFile(file);
      if (!status.ok() && first.ok()) first = status;
    }
    return first;
  }

  std::string CurrentFolder() override {
    DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(needed, L'\0');
    DWORD length = ::GetCurrentDirectoryW(needed, buffer.data());
    if (length == 0 || length >= needed) return std::string();
    buffer.resize(length);
    if (buffer.size() > 3 && buffer.back() == L'\\') buffer.pop_back();
    return Narrow(buffer);
  }

 private:
  std::mutex mutex_;
  std::vector<std::wstring> unflushed_;  // copies made since the last flush
};

}  // namespace

FileSystem& FileSystem::Default() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace platform
