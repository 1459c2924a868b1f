#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/destination.h"
#include "platform/function_ref.h"
#include "platform/status.h"

namespace platform {

// What a name on disk is, in the terms the program's rules use. Hidden and system entries
// exist but are never listed: on POSIX a name beginning with "." is hidden, and anything
// that is neither a regular file nor a folder (socket, FIFO, device, dangling link) is
// system. A symbolic link counts as what it points to, except that a link to a folder is
// never walked into by a listing (so the walk cannot loop).
enum class EntryKind { kMissing, kFile, kFolder, kSystem };

struct EntryInfo {
  EntryKind kind = EntryKind::kMissing;
  bool hidden = false;
  bool read_only = false;  // the owner may not write it
  // The system and archive attributes. Windows has them for files and folders alike (a system
  // folder is still kFolder); POSIX has neither: a system entry is one of kind kSystem, and
  // every regular file counts as changed since its last backup.
  bool system = false;
  bool archive = false;
  std::uint64_t size = 0;  // files only
  std::int64_t mtime = 0;  // last modification, Unix seconds (files and folders)
};

enum class ListWhat { kFiles, kFolders, kFilesAndFolders };

// Which file or folder a path names, whatever way it is reached.
struct FileIdentity {
  bool exists = false;
  bool is_link = false;  // the path's last component is a symbolic link or junction
  // The device (volume) and index of the entry, links followed; both 0 where the file
  // system cannot tell, and then `real_path` alone identifies it.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // The path with every link on the way resolved (absolute); "" when it does not exist.
  std::string real_path;

  bool SameAs(const FileIdentity& other) const;
};

// One entry of a listing. `name` is the stored name (bytes, not necessarily UTF-8) and is
// valid only during the callback. `size` and `mtime` are filled for files when the listing
// was asked for them.
struct ListedEntry {
  std::string_view name;
  bool is_folder = false;
  bool hidden = false;  // reported only by ListIncludingHidden
  std::uint64_t size = 0;
  std::int64_t mtime = 0;
};

// The program's one interface to the file system (besides a few platform queries in their
// own headers); the run's writes go through the destination tree it opens. Paths are UTF-8 text
// with the platform's separator; on POSIX they are byte strings passed through unchanged. Every
// method is synchronous and safe to call from several threads at once (the run lists a counterpart
// folder beside its source folder). Errors carry an error number from status.h and a message naming
// the operation and path.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The real file system of this machine.
  static FileSystem& Default();

  // Calls `visit` for every ordinary entry of `folder` of the requested kinds, in the order
  // the platform enumerates them; "." and "..", hidden and system entries are never
  // reported. With `want_stat`, files come with size and mtime. `visit` returns false to
  // stop early (the result is then ok).
  // Returns ok when the enumeration ran to its end (an empty or missing folder included:
  // a missing folder answers kPathNotFound without any call to `visit`). An entry that
  // vanishes between enumeration and stat is skipped silently. Any other per-entry failure
  // skips that entry, the listing goes on, and its status is returned at the end; a
  // failure of the enumeration itself ends the listing and is returned.
  virtual Status List(const std::string& folder, ListWhat what, bool want_stat,
                      FunctionRef<bool(const ListedEntry&)> visit) = 0;

  // As List, but hidden entries are reported too, with `hidden` set (system entries still
  // never are). A file system that cannot tell reports what List does.
  virtual Status ListIncludingHidden(const std::string& folder, ListWhat what, bool want_stat,
                                     FunctionRef<bool(const ListedEntry&)> visit) {
    return List(folder, what, want_stat, visit);
  }

  // Identifies what `path` names (see FileIdentity). A path that does not exist is ok with
  // `exists` false. The default knows the real path as text only.
  virtual Status Identify(const std::string& path, FileIdentity* identity);

  // Describes `path`. A path that does not exist (or whose parent is not a folder) is ok
  // with kind kMissing; other failures (permission denied on a parent, ...) are errors.
  virtual Status Probe(const std::string& path, EntryInfo* info) = 0;

  // Creates one folder; its parent must exist. A folder that already exists is an error
  // (kFileAlreadyExists).
  virtual Status MakeFolder(const std::string& path) = 0;

  // The folder tree below `root` that a run writes its copies into (see destination.h).
  // The machine's file system, and every file system that does not say otherwise, gives
  // the machine's tree.
  virtual std::unique_ptr<DestinationTree> OpenDestination(const std::string& root) {
    return DestinationTree::Open(root);
  }

  // The process's current folder, without a trailing separator (except for the root).
  virtual std::string CurrentFolder() = 0;
};

// Forwards every call to another file system, so a test double overrides only what it
// changes (a file system whose writes fail, a folder that vanishes, ...).
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}

  Status List(const std::string& folder, ListWhat what, bool want_stat,
              FunctionRef<bool(const ListedEntry&)> visit) override {
    return target_.List(folder, what, want_stat, visit);
  }
  Status ListIncludingHidden(const std::string& folder, ListWhat what, bool want_stat,
                             FunctionRef<bool(const ListedEntry&)> visit) override {
    return target_.ListIncludingHidden(folder, what, want_stat, visit);
  }
  Status Identify(const std::string& path, FileIdentity* identity) override {
    return target_.Identify(path, identity);
  }
  Status Probe(const std::string& path, EntryInfo* info) override {
    return target_.Probe(path, info);
  }
  Status MakeFolder(const std::string& path) override { return target_.MakeFolder(path); }
  std::unique_ptr<DestinationTree> OpenDestination(const std::string& root) override {
    return target_.OpenDestination(root);
  }
  std::string CurrentFolder() override { return target_.CurrentFolder(); }

 protected:
  FileSystem& target() { return target_; }

 private:
  FileSystem& target_;
};

}  // namespace platform
