#include "platform/win32/file_copy.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/part_size.h"
#include "platform/source_snapshot.h"
#include "platform/win32/destination_rules.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform::win32 {
namespace {

constexpr std::wstring_view kTemporaryPrefix = L"~grebewick-";
constexpr std::wstring_view kTemporarySuffix = L".tmp";

// Between two parts the caller is asked whether to go on; their sizes follow the throughput
// measured (PartSizer), from 1 MiB, between 64 KiB and the 8 MiB buffer.
constexpr std::size_t kFirstPart = 1 << 20;
constexpr std::size_t kMinPart = 64 << 10;
constexpr std::size_t kMaxPart = 8 << 20;

// The attributes a copy carries over; the others (compression, encryption, sparse, ...)
// describe how the source is stored, not what it is.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What the copy checks of its source, before and after, on the same handle.
struct Snapshot {
  BY_HANDLE_FILE_INFORMATION file;
  FILE_BASIC_INFO basic;
};

bool Take(HANDLE handle, Snapshot* snapshot) {
  return ::GetFileInformationByHandle(handle, &snapshot->file) &&
         ::GetFileInformationByHandleEx(handle, FileBasicInfo, &snapshot->basic,
                                        sizeof snapshot->basic);
}

std::uint64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& file) {
  return (static_cast<std::uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
}

bool Changed(const Snapshot& before, const Snapshot& after) {
  return SizeOf(before.file) != SizeOf(after.file) ||
         before.file.nFileIndexHigh != after.file.nFileIndexHigh ||
         before.file.nFileIndexLow != after.file.nFileIndexLow ||
         before.basic.LastWriteTime.QuadPart != after.basic.LastWriteTime.QuadPart ||
         before.basic.ChangeTime.QuadPart != after.basic.ChangeTime.QuadPart;
}

std::string Grouped(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

bool SetBasicInfo(HANDLE handle, FILE_BASIC_INFO info) {
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info);
}

// The temporary file of one copy: created hidden, opened for writing and for its own rename
// and removal but shared with others for reading only, so that no other run takes it for
// the leftover of an interrupted one while it is written. Removed when the object goes away,
// unless it was renamed.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (handle_.valid() && !renamed_) RemoveThrough(handle_.get());
  }

  Status Create(const CopyTarget& target) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      name_ = NewTemporaryName();
      text_ = PathInside(target.folder_text, Narrow(name_));
      handle_.Reset(::CreateFileW(
          PathInside(target.folder_path, name_).c_str(),
          GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
          nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (handle_.valid()) break;
      if (::GetLastError() != ERROR_FILE_EXISTS) return LastErrorStatus("create", text_);
    }
    if (!handle_.valid()) return ErrorStatus(ERROR_FILE_EXISTS, "create", text_);
    // A file made through a link put in the folder's place lies elsewhere (where the system
    // can tell).
    const std::wstring where = FinalPathOf(handle_.get());
    if (!where.empty() && !IsDirectlyInside(where, target.folder_path, name_)) {
      return Status::Error(kPathNotFound, "create(" + text_ +
                                              "): the file was made outside its folder (a link "
                                              "was put in the folder's place); removed");
    }
    return Status::Ok();
  }

  HANDLE get() const { return handle_.get(); }
  const std::string& text() const { return text_; }

  // Gives the file the name `to` in its folder, replacing a file of that name (a read-only
  // one too: the copy phase always overwrites).
  Status RenameTo(const std::wstring& to, const std::string& to_text) {
    Status status = RenameThrough(handle_.get(), to, true, to_text);
    if (status.ok()) renamed_ = true;
    return status;
  }

  // Closes the file, which has its final name; a late write error can surface here.
  Status Close(const std::string& final_text) {
    if (!handle_.Close()) return LastErrorStatus("close", final_text);
    return Status::Ok();
  }

 private:
  Handle handle_;
  std::wstring name_;
  std::string text_;
  bool renamed_ = false;
};

// Copies exactly `size` bytes from the start of `in` to `out`, asking `keep_going` after
// each part and handing each part to `hash` when given. Sets `*shrank` when the source ends
// early.
Status CopyBytes(HANDLE in, HANDLE out, std::uint64_t size, KeepGoing keep_going,
                 const std::string& source, const std::string& temporary, HashSink* hash,
                 bool* shrank) {
  thread_local std::vector<char> buffer;
  PartSizer parts(kFirstPart, kMinPart, kMaxPart);
  std::uint64_t done = 0;
  while (done < size) {
    const auto want = static_cast<DWORD>(std::min<std::uint64_t>(parts.part(), size - done));
    if (buffer.size() < want) buffer.resize(want);
    const auto started = std::chrono::steady_clock::now();
    DWORD got = 0;
    if (!::ReadFile(in, buffer.data(), want, &got, nullptr)) {
      return LastErrorStatus("read", source);
    }
    if (got == 0) {
      *shrank = true;
      return Status::Ok();
    }
    if (hash != nullptr) hash->Add(buffer.data(), got);
    for (DWORD written_so_far = 0; written_so_far < got;) {
      DWORD written = 0;
      if (!::WriteFile(out, buffer.data() + written_so_far, got - written_so_far, &written,
                       nullptr)) {
        return LastErrorStatus("write", temporary);
      }
      written_so_far += written;
    }
    done += got;
    parts.Took(got, std::chrono::steady_clock::now() - started);
    if (!keep_going()) {
      return Status::Error(kUserInterrupt, "copy(" + source + "): abandoned");
    }
  }
  return Status::Ok();
}

// Gives the copy its source's modification time (rounded up to the volume's step, within its
// range) and
// attributes; what the file system refuses is recorded, not failed.
Status KeepAttributes(HANDLE handle, const Snapshot& source, const CopyTarget& target,
                      const std::string& temporary) {
  FILE_BASIC_INFO times = {};
  times.LastAccessTime = source.basic.LastAccessTime;
  times.LastWriteTime.QuadPart = CopyTimeTicks(source.basic.LastWriteTime.QuadPart, target.traits);
  if (!SetBasicInfo(handle, times)) {
    if (!IsRefusal(::GetLastError())) return LastErrorStatus("set times", temporary);
    target.refusals->times = true;
  }
  // Zero would mean "leave as they are", which would leave the copy hidden.
  FILE_BASIC_INFO attributes = {};
  attributes.FileAttributes = source.file.dwFileAttributes & kKeptAttributes;
  if (attributes.FileAttributes == 0) attributes.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetBasicInfo(handle, attributes)) {
    if (!IsRefusal(::GetLastError())) return LastErrorStatus("set attributes", temporary);
    target.refusals->permissions = true;
  }
  return Status::Ok();
}

}  // namespace

std::wstring NewTemporaryName() {
  static const std::wstring prefix =
      std::wstring(kTemporaryPrefix) + std::to_wstring(::GetCurrentProcessId()) + L"-";
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_wstring(counter.fetch_add(1)) + std::wstring(kTemporarySuffix);
}

bool RemoveThrough(HANDLE handle) {
  FILE_BASIC_INFO normal = {};
  normal.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetBasicInfo(handle, normal);
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition);
}

Status RenameThrough(HANDLE handle, const std::wstring& to, bool replace,
                     const std::string& to_text) {
  const std::wstring native = NativePath(to);
  const std::size_t bytes = native.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(info->FileName, native.data(), bytes);
  auto rename = [&] {
    return ::SetFileInformationByHandle(handle, FileRenameInfo, info,
                                        static_cast<DWORD>(buffer.size()));
  };
  if (rename()) return Status::Ok();
  DWORD error = ::GetLastError();
  // The system replaces no read-only file.
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  if (!replace || error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_READONLY) || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !::SetFileAttributesW(to.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return ErrorStatus(error, "rename", to_text);
  }
  if (rename()) return Status::Ok();
  error = ::GetLastError();
  ::SetFileAttributesW(to.c_str(), attributes);
  return ErrorStatus(error, "rename", to_text);
}

bool IsRefusal(DWORD error) {
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER ||
         error == ERROR_INVALID_FUNCTION;
}

std::wstring NativePath(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return L"\\??\\" + path.substr(4);
  return path;
}

std::wstring FinalPathOf(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
}

std::wstring PathInside(std::wstring_view folder_path, std::wstring_view name) {
  std::wstring path(folder_path);
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  path += name;
  return path;
}

std::string PathInside(std::string_view folder_text, std::string_view name) {
  std::string path(folder_text);
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path.push_back('\\');
  path += name;
  return path;
}

bool IsDirectlyInside(std::wstring_view path, std::wstring_view folder_path,
                      std::wstring_view name) {
  std::size_t folder_size = folder_path.size();
  if (folder_size > 0 && folder_path.back() == L'\\') --folder_size;  // a drive's root
  if (path.size() != folder_size + 1 + name.size() || path[folder_size] != L'\\') return false;
  auto same = [](std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
  };
  return same(path.substr(0, folder_size), folder_path.substr(0, folder_size)) &&
         same(path.substr(folder_size + 1), name);
}

bool IsTemporaryName(std::wstring_view name) {
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return false;
  std::wstring_view middle = name.substr(
      kTemporaryPrefix.size(), name.size() - kTemporaryPrefix.size() - kTemporarySuffix.size());
  return !middle.empty() && middle.find_first_not_of(L"0123456789-") == std::wstring_view::npos;
}

void RemoveStaleTemporaryFiles(const std::wstring& folder_path) {
  WIN32_FIND_DATAW data;
  const std::wstring pattern = PathInside(
      folder_path, std::wstring(kTemporaryPrefix) + L"*" + std::wstring(kTemporarySuffix));
  HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!IsTemporaryName(data.cFileName)) continue;
    // Taken whole: a live run's handle denies the sharing this asks for.
    Handle file(::CreateFileW(PathInside(folder_path, data.cFileName).c_str(),
                              DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!file.valid() ||
        !::GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
      continue;
    }
    RemoveThrough(file.get());
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

Status CopyOnce(const std::string& source, const CopyTarget& target, KeepGoing keep_going,
                bool* changed) {
  *changed = false;
  // Others may go on using the file; the copy is checked against what they do.
  Handle in(::CreateFileW(WidePath(source).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.valid()) return LastErrorStatus("open", source);
  Snapshot before;
  if (!Take(in.get(), &before)) return LastErrorStatus("stat", source);
  if (before.file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return Status::Error(kFileNotFound, "copy(" + source + "): not a regular file");
  }
  const std::uint64_t size = SizeOf(before.file);
  if (size > target.traits.max_file_size) {
    return Status::Error(kDiskFull, "copy(" + source + "): " + Grouped(size) +
                                        " bytes is more than the destination holds in one file (" +
                                        Grouped(target.traits.max_file_size) + " bytes)");
  }

  TemporaryFile temporary;
  Status status = temporary.Create(target);
  if (!status.ok()) return status;
  bool shrank = false;
  if (target.hash != nullptr) target.hash->Reset();
  status = CopyBytes(in.get(), temporary.get(), size, keep_going, source, temporary.text(),
                     target.hash, &shrank);
  if (!status.ok()) return status;
  Snapshot after;
  if (!Take(in.get(), &after)) return LastErrorStatus("stat", source);
  if (shrank || Changed(before, after)) {
    *changed = true;
    return Status::Error(kPathFileAccessError,
                         "copy(" + source + "): the file changed while it was copied");
  }
  status = KeepAttributes(temporary.get(), before, target, temporary.text());
  if (!status.ok()) return status;
  const std::string destination = PathInside(target.folder_text, target.name);
  status = temporary.RenameTo(PathInside(target.folder_path, Widen(target.name)), destination);
  if (!status.ok()) return status;
  return temporary.Close(destination);
}

Status FlushFile(const std::wstring& path, const std::string& text) {
  auto open = [&] {
    return Handle(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  };
  Handle file = open();
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  // A read-only copy is opened for it by lifting the attribute for a moment.
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
    if (!IsMissing(::GetLastError())) status = LastErrorStatus("open", text);
  } else if (!::FlushFileBuffers(file.get())) {
    status = LastErrorStatus("flush", text);
  }
  file.Close();
  if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(path.c_str(), attributes);
  return status;
}

}  // namespace platform::win32

namespace platform {

// Not measured on Windows yet: there each copy reads its source itself.
bool SnapshotsTaken() { return false; }

std::unique_ptr<SourceSnapshot> TakeSnapshot(const std::string& path, std::size_t limit) {
  (void)path;
  (void)limit;
  return nullptr;
}

}  // namespace platform
