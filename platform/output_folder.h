#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/destination.h"
#include "platform/status.h"

namespace platform {

class OutputFile;

// A folder that files from an untrusted source (an archive) are written into. Everything
// below it is reached one name at a time, relative to the folder already open, and never
// through a symbolic link, so nothing written through it can land outside it, whatever
// links the tree holds or gains meanwhile. Names are single components: no separator, not
// "." or "..", not empty (the caller's job; a name that breaks this fails with
// kBadFileName). Errors carry error numbers from status.h (kDiskFull, kPermissionDenied,
// kFileAlreadyExists, ...) and a message naming the operation and the name.
//
// The rules of the medium are those of a copy (see DestinationTree): what it can hold is
// learned from it once per file system, names it cannot hold and files larger than it holds
// are refused with the reason, times are rounded up to its step, and permission bits, times
// or owners it refuses to keep are recorded (refusals()) rather than failing the file.
// Temporary files that interrupted runs left in a folder this tree did not make are removed
// before its first file is written there. Folders opened from one Open share all of this.
class OutputFolder {
 public:
  virtual ~OutputFolder() = default;

  // Opens the folder `path`, creating it and any missing parent first. Links in `path` are
  // followed: the user named it.
  static Status Open(const std::string& path, std::unique_ptr<OutputFolder>* folder);

  // Opens the folder `name` inside this one; when it is missing and `create` is set, makes
  // it first (with the default permissions) and sets `*created`. A symbolic link, a file or
  // anything else that is not a folder under that name fails with kPathFileAccessError; a
  // missing one without `create`, with kPathNotFound; a name the medium cannot hold, with
  // kBadFileName and the reason.
  virtual Status OpenFolder(std::string_view name, bool create,
                            std::unique_ptr<OutputFolder>* folder, bool* created) = 0;

  // Whether anything at all has the name `name` here (a dangling link included).
  virtual Status Exists(std::string_view name, bool* exists) = 0;

  // Whether the medium here can hold a file `name` of `size` bytes: kBadFileName or kDiskFull
  // with the reason when it cannot. Asked before anything is written.
  virtual Status CheckFile(std::string_view name, std::uint64_t size) = 0;

  // A new, empty file under a temporary name of its own in this folder, readable and
  // writable by the owner only until it is committed.
  virtual Status CreateTemporary(std::unique_ptr<OutputFile>* file) = 0;

  // Sets this folder's permission bits (the low nine less the process's umask; nothing else
  // is ever set) and its modification time (Unix seconds), each only when given.
  virtual Status SetAttributes(std::optional<unsigned> mode, std::optional<std::int64_t> mtime) = 0;

  // What the media below the folder this tree was opened at refused to keep so far.
  virtual DestinationRefusals refusals() const = 0;
};

// A file being written under a temporary name. Destroying it before a successful Commit
// removes it: a file that was not written whole never appears under any other name.
class OutputFile {
 public:
  virtual ~OutputFile() = default;

  virtual Status Write(std::span<const std::uint8_t> bytes) = 0;

  // Sets the permission bits (`mode`'s low nine, or 0666 without it, less the process's
  // umask, as tar and unzip do for a user) and the modification time, closes the file and
  // renames it to `name` in its folder. With `replace` whatever has that name is replaced (a
  // symbolic link itself, never its target); without it an existing name fails with
  // kFileAlreadyExists and stays as it was, also on media that cannot rename without
  // replacing. On any failure the temporary file is removed.
  virtual Status Commit(std::string_view name, std::optional<unsigned> mode, std::int64_t mtime,
                        bool replace) = 0;
};

}  // namespace platform
