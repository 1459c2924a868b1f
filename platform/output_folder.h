#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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
class OutputFolder {
 public:
  virtual ~OutputFolder() = default;

  // Opens the folder `path`, creating it and any missing parent first. Links in `path` are
  // followed: the user named it.
  static Status Open(const std::string& path, std::unique_ptr<OutputFolder>* folder);

  // Opens the folder `name` inside this one; when it is missing and `create` is set, makes
  // it first (with the default permissions) and sets `*created`. A symbolic link, a file or
  // anything else that is not a folder under that name fails with kPathFileAccessError; a
  // missing one without `create`, with kPathNotFound.
  virtual Status OpenFolder(std::string_view name, bool create,
                            std::unique_ptr<OutputFolder>* folder, bool* created) = 0;

  // Whether anything at all has the name `name` here (a dangling link included).
  virtual Status Exists(std::string_view name, bool* exists) = 0;

  // A new, empty file under a temporary name of its own in this folder, readable and
  // writable by the owner only until it is committed.
  virtual Status CreateTemporary(std::unique_ptr<OutputFile>* file) = 0;

  // Sets this folder's permission bits (the low nine; nothing else is ever set) and its
  // modification time (Unix seconds), each only when given.
  virtual Status SetAttributes(std::optional<unsigned> mode, std::optional<std::int64_t> mtime) = 0;
};

// A file being written under a temporary name. Destroying it before a successful Commit
// removes it: a file that was not written whole never appears under any other name.
class OutputFile {
 public:
  virtual ~OutputFile() = default;

  virtual Status Write(std::span<const std::uint8_t> bytes) = 0;

  // Sets the permission bits (`mode`'s low nine; without it the default for a new file:
  // 0666 less the process's umask) and the modification time, closes the file and renames
  // it to `name` in its folder. With `replace` whatever has that name is replaced (a
  // symbolic link itself, never its target); without it an existing name fails with
  // kFileAlreadyExists and stays as it was. On any failure the temporary file is removed.
  virtual Status Commit(std::string_view name, std::optional<unsigned> mode, std::int64_t mtime,
                        bool replace) = 0;
};

}  // namespace platform
