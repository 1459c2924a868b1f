#include <windows.h>

#include <string>

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

class Win32FileSystem final : public FileSystem {
 public:
  Status List(const std::string& folder, ListWhat what, bool want_stat,
              FunctionRef<bool(const ListedEntry&)> visit) override {
    return ListEntries(folder, what, want_stat, false, visit);
  }

  Status ListIncludingHidden(const std::string& folder, ListWhat what, bool want_stat,
                             FunctionRef<bool(const ListedEntry&)> visit) override {
    return ListEntries(folder, what, want_stat, true, visit);
  }

  Status Identify(const std::string& path, FileIdentity* identity) override {
    *identity = FileIdentity();
    const std::wstring wide = path.empty() ? std::wstring(L".") : WidePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD error = ::GetLastError();
      return win32::IsMissing(error) ? Status::Ok() : ErrorStatus(error, "stat", path);
    }
    identity->is_link = PointsElsewhere(attributes, ReparseTagOf(wide));
    Handle handle(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info)) {
      DWORD error = ::GetLastError();
      return win32::IsMissing(error) ? Status::Ok() : ErrorStatus(error, "stat", path);
    }
    identity->exists = true;
    identity->device = info.dwVolumeSerialNumber;
    identity->inode = SizeOf(info.nFileIndexHigh, info.nFileIndexLow);
    std::wstring real(MAX_PATH, L'\0');
    for (;;) {
      DWORD length = ::GetFinalPathNameByHandleW(handle.get(), real.data(),
                                                 static_cast<DWORD>(real.size()), 0);
      if (length == 0) return LastErrorStatus("realpath", path);
      if (length < real.size()) {
        real.resize(length);
        break;
      }
      real.resize(length + 1);
    }
    // The long form's prefix is the call's, not the user's.
    if (real.rfind(L"\\\\?\\UNC\\", 0) == 0) {
      real = L"\\" + real.substr(7);
    } else if (real.rfind(L"\\\\?\\", 0) == 0) {
      real = real.substr(4);
    }
    identity->real_path = Narrow(real);
    return Status::Ok();
  }

 private:
  Status ListEntries(const std::string& folder, ListWhat what, bool want_stat, bool with_hidden,
                     FunctionRef<bool(const ListedEntry&)> visit) {
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
      if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) continue;
      const bool hidden = data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN;
      if (hidden && !with_hidden) continue;
      const bool is_folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      const bool is_link = PointsElsewhere(data.dwFileAttributes, data.dwReserved0);
      if (is_folder && is_link) continue;  // never walk a link or junction: no loops
      if (is_folder ? what == ListWhat::kFiles : what == ListWhat::kFolders) continue;

      ListedEntry listed;
      listed.is_folder = is_folder;
      listed.hidden = hidden;
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

 public:
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
    info->system = attributes & FILE_ATTRIBUTE_SYSTEM;
    info->archive = attributes & FILE_ATTRIBUTE_ARCHIVE;
    info->mtime = mtime;
    return Status::Ok();
  }

  Status MakeFolder(const std::string& path) override {
    if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
      return LastErrorStatus("mkdir", path);
    }
    return Status::Ok();
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
};

}  // namespace

FileSystem& FileSystem::Default() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace platform
