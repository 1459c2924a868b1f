#include <windows.h>

#include <memory>
#include <string>

#include "platform/output_folder.h"
#include "platform/win32/destination_rules.h"
#include "platform/win32/file_copy.h"
#include "platform/win32/file_time.h"
#include "platform/win32/held_folder.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

using win32::Handle;
using win32::HeldFolder;
using win32::LastErrorStatus;
using win32::Narrow;
using win32::Widen;

// Why `name` cannot be written here, or "": it must be one name, and one Windows holds (a
// name it reserves for a device, or one with a trailing dot, would be made through the
// prefixed form and then be out of every ordinary program's reach).
std::string NameProblem(std::string_view name) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string_view("\\/\0", 3)) != std::string_view::npos) {
    return "not a single name";
  }
  return platform::NameProblem(name, win32::TraitsOfVolume(L"NTFS"));
}

Status BadName(std::string_view operation, std::string_view name, const std::string& problem) {
  return Status::Error(kBadFileName,
                       std::string(operation) + "(" + std::string(name) + "): " + problem);
}

// A folder held open, with the folders on its way from the one the user named: none of them
// can be renamed, removed or replaced by a link while something is written below them.
struct Node {
  HeldFolder held;
  std::shared_ptr<const Node> parent;
};

class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(std::shared_ptr<const Node> folder, Handle handle, std::wstring name)
      : folder_(std::move(folder)), handle_(std::move(handle)), name_(std::move(name)) {}
  ~Win32OutputFile() override {
    if (handle_.valid() && !committed_) win32::RemoveThrough(handle_.get());
  }

  Status Write(std::span<const std::uint8_t> bytes) override {
    for (std::size_t done = 0; done < bytes.size();) {
      const auto part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 30));
      DWORD written = 0;
      if (!::WriteFile(handle_.get(), bytes.data() + done, part, &written, nullptr)) {
        return LastErrorStatus("write", Narrow(name_));
      }
      done += written;
    }
    return Status::Ok();
  }

  // The permission bits become the read-only attribute (no write bit for the owner); nothing
  // else of them has a place on Windows.
  Status Commit(std::string_view name, std::optional<unsigned> mode, std::int64_t mtime,
                bool replace) override {
    if (std::string problem = NameProblem(name); !problem.empty()) {
      return BadName("rename", name, problem);
    }
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime.QuadPart = win32::TicksOf(win32::FileTimeOf(mtime));
    basic.FileAttributes =
        mode && !(*mode & 0200) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic)) {
      return LastErrorStatus("set times", Narrow(name_));
    }
    const std::wstring target = win32::PathInside(folder_->held.path, Widen(name));
    Status status = win32::RenameThrough(handle_.get(), target, replace, std::string(name));
    if (!status.ok()) return status;
    committed_ = true;
    if (!handle_.Close()) return LastErrorStatus("close", name);
    return Status::Ok();
  }

 private:
  std::shared_ptr<const Node> folder_;
  Handle handle_;
  std::wstring name_;
  bool committed_ = false;
};

class Win32OutputFolder final : public OutputFolder {
 public:
  explicit Win32OutputFolder(std::shared_ptr<const Node> node) : node_(std::move(node)) {}

  Status OpenFolder(std::string_view name, bool create, std::unique_ptr<OutputFolder>* folder,
                    bool* created) override {
    *created = false;
    if (std::string problem = NameProblem(name); !problem.empty()) {
      return BadName("open", name, problem);
    }
    const std::string text(name);
    auto child = std::make_shared<Node>();
    child->parent = node_;
    Status status;
    switch (win32::OpenChildFolder(node_->held, Widen(name), text, create, &child->held, created,
                                   &status)) {
      case win32::ChildFolder::kOpened:
        *folder = std::make_unique<Win32OutputFolder>(std::move(child));
        return Status::Ok();
      case win32::ChildFolder::kLink:
      case win32::ChildFolder::kNotFolder:
        return Status::Error(kPathFileAccessError,
                             "open(" + text + "): not a folder (a link or a file has its name)");
      default:
        return status;
    }
  }

  Status Exists(std::string_view name, bool* exists) override {
    *exists = false;
    if (std::string problem = NameProblem(name); !problem.empty()) {
      return BadName("stat", name, problem);
    }
    const std::wstring path = win32::PathInside(node_->held.path, Widen(name));
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      *exists = true;
      return Status::Ok();
    }
    if (win32::IsMissing(::GetLastError())) return Status::Ok();
    return LastErrorStatus("stat", name);
  }

  // Hidden until committed, and shared with nobody for writing or removal meanwhile.
  Status CreateTemporary(std::unique_ptr<OutputFile>* file) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::wstring name = win32::NewTemporaryName();
      Handle handle(::CreateFileW(
          win32::PathInside(node_->held.path, name).c_str(),
          GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
          nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (handle.valid()) {
        // Made through a link put in the folder's place, it would lie elsewhere.
        const std::wstring where = win32::FinalPathOf(handle.get());
        if (!where.empty() && !win32::IsDirectlyInside(where, node_->held.path, name)) {
          win32::RemoveThrough(handle.get());
          return Status::Error(kPathFileAccessError,
                               "create(" + Narrow(name) + "): the folder was replaced by a link");
        }
        *file = std::make_unique<Win32OutputFile>(node_, std::move(handle), std::move(name));
        return Status::Ok();
      }
      if (::GetLastError() != ERROR_FILE_EXISTS) return LastErrorStatus("create", Narrow(name));
    }
    return Status::Error(kFileAlreadyExists, "create(~grebewick-N.tmp): every name is taken");
  }

  // A folder's read-only attribute means something else on Windows (a customized folder):
  // only the time is set.
  Status SetAttributes(std::optional<unsigned>, std::optional<std::int64_t> mtime) override {
    if (!mtime) return Status::Ok();
    Handle writable(::ReOpenFile(node_->held.handle.get(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime.QuadPart = win32::TicksOf(win32::FileTimeOf(*mtime));
    if (!writable.valid() ||
        !::SetFileInformationByHandle(writable.get(), FileBasicInfo, &basic, sizeof basic)) {
      return LastErrorStatus("set times", "folder");
    }
    return Status::Ok();
  }

 private:
  std::shared_ptr<const Node> node_;
};

}  // namespace

Status OutputFolder::Open(const std::string& path, std::unique_ptr<OutputFolder>* folder) {
  auto node = std::make_shared<Node>();
  Status status = win32::OpenNamedFolder(path, &node->held);
  if (!status.ok()) return status;
  *folder = std::make_unique<Win32OutputFolder>(std::move(node));
  return Status::Ok();
}

}  // namespace platform
