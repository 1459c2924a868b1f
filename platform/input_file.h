#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/status.h"

namespace platform {

// A regular file opened for reading from a backup (to verify or restore it). A backup is
// read as it stands: a symbolic link in a file's place is refused (kFileNotFound with the
// reason), never followed, so a link planted on a medium cannot bring anything else back.
class InputFile {
 public:
  virtual ~InputFile() = default;

  // Opens `path`. A missing file fails with kFileNotFound; a link, a folder or anything else
  // that is not a regular file, with kFileNotFound and a message that says what it is.
  static Status Open(const std::string& path, std::unique_ptr<InputFile>* file);

  // Reads up to `buffer.size()` bytes into `buffer`; `*got` is 0 at the end of the file.
  virtual Status Read(std::span<std::uint8_t> buffer, std::size_t* got) = 0;

  std::uint64_t size() const { return size_; }
  std::int64_t mtime() const { return mtime_; }  // Unix seconds
  unsigned mode() const { return mode_; }        // permission bits (0666 or 0444 on Windows)

 protected:
  std::uint64_t size_ = 0;
  std::int64_t mtime_ = 0;
  unsigned mode_ = 0;
};

}  // namespace platform
