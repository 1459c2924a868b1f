#include "platform/win32/held_folder.h"

#include "platform/win32/file_copy.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform::win32 {
namespace {

constexpr DWORD kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kFolderSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Creates the missing folders of `text`, as mkdir -p does.
Status MakeMissingFolders(const std::string& text) {
  std::size_t start = 0;
  if (text.size() >= 2 && text[1] == ':') start = 2;
  while (start < text.size() && IsSeparator(text[start])) ++start;
  for (std::size_t end = start; end <= text.size(); ++end) {
    if (end < text.size() && !IsSeparator(text[end])) continue;
    if (end > start && !IsSeparator(text[end - 1])) {
      const std::string prefix = text.substr(0, end);
      if (!::CreateDirectoryW(WidePath(prefix).c_str(), nullptr) &&
          ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return LastErrorStatus("mkdir", prefix);
      }
    }
  }
  return Status::Ok();
}

// The "\\?\" form of `path` made absolute; "" when the system cannot give it.
std::wstring PrefixedFullPath(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return path;
  std::wstring full(32768, L'\0');
  DWORD length =
      ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return std::wstring();
  full.resize(length);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full.starts_with(L"\\\\") ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

}  // namespace

Status OpenNamedFolder(const std::string& text, HeldFolder* folder) {
  const std::wstring wide = WidePath(text.empty() ? "." : text);
  auto open = [&] {
    return Handle(::CreateFileW(wide.c_str(), kFolderAccess, kFolderSharing, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  };
  Handle handle = open();
  if (!handle.valid() && IsMissing(::GetLastError())) {
    Status status = MakeMissingFolders(text);
    if (!status.ok()) return status;
    handle = open();
  }
  if (!handle.valid()) return LastErrorStatus("open", text);
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle.get(), &info)) return LastErrorStatus("stat", text);
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Status::Error(kPathNotFound, "open(" + text + "): not a folder");
  }
  folder->path = FinalPathOf(handle.get());
  // Some file systems (RAM disks, a few network redirectors) cannot say where an open file
  // lies.
  if (folder->path.empty()) folder->path = PrefixedFullPath(wide);
  if (folder->path.empty()) return LastErrorStatus("open", text);
  folder->handle = std::move(handle);
  return Status::Ok();
}

ChildFolder OpenChildFolder(const HeldFolder& parent, const std::wstring& name,
                            const std::string& text, bool create, HeldFolder* folder, bool* made,
                            Status* status) {
  const std::wstring path = PathInside(parent.path, name);
  // Made first and looked at afterwards: below a folder known to exist, the rest of the way
  // is usually new.
  *made = create && ::CreateDirectoryW(path.c_str(), nullptr);
  if (create && !*made && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    *status = LastErrorStatus("mkdir", text);
    return ChildFolder::kFailed;
  }
  folder->handle.Reset(
      ::CreateFileW(path.c_str(), kFolderAccess, kFolderSharing, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder->handle.valid()) {
    const DWORD error = ::GetLastError();
    if (IsMissing(error)) {
      *status = Status::Error(kPathNotFound, "open(" + text + "): no such folder");
      return ChildFolder::kMissing;
    }
    *status = ErrorStatus(error, "open", text);
    return ChildFolder::kFailed;
  }
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!::GetFileInformationByHandleEx(folder->handle.get(), FileAttributeTagInfo, &tag,
                                      sizeof tag)) {
    *status = LastErrorStatus("stat", text);
    return ChildFolder::kFailed;
  }
  // Symbolic links and junctions lead elsewhere; other reparse points (cloud files,
  // deduplication) are the folder itself, stored in a special way.
  if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      IsReparseTagNameSurrogate(tag.ReparseTag)) {
    return ChildFolder::kLink;
  }
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return ChildFolder::kNotFolder;
  // Where the system itself says the folder lies: this catches what the attributes do not
  // show (a link that a file system presents as a plain folder, a folder replaced between
  // the checks). Where it cannot tell (some file systems; Wine for long paths), the
  // attributes and the held parents are what keeps links out.
  folder->path = FinalPathOf(folder->handle.get());
  if (folder->path.empty()) {
    folder->path = path;
  } else if (!IsDirectlyInside(folder->path, parent.path, name)) {
    return ChildFolder::kLink;
  }
  return ChildFolder::kOpened;
}

}  // namespace platform::win32
