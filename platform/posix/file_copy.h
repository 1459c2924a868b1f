#pragma once

#include <time.h>

#include <string>
#include <string_view>

#include "platform/destination.h"
#include "platform/posix/file_util.h"
#include "platform/status.h"

namespace platform::posix {

// A new temporary file in an open folder, named ".grebewick-<pid>-<n>.tmp" (hidden, so no
// listing of ours ever sees it) and locked with an open-file-description write lock for as
// long as it is open, which is how a later run tells a live writer's file from one an
// interrupted run left behind. Removed when the object goes away unless Keep() was called.
class TemporaryFile {
 public:
  explicit TemporaryFile(int folder_fd) : folder_fd_(folder_fd) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Creates and locks the file, open for writing; `folder` names the folder in messages.
  Status Create(const std::string& folder);
  int fd() const { return fd_.get(); }
  const std::string& name() const { return name_; }
  // Closes the descriptor (reporting the close's own failure); the name stays.
  int Close() { return fd_.Close(); }
  // The file has been renamed away: nothing to remove.
  void Keep() { name_.clear(); }

 private:
  int folder_fd_;
  UniqueFd fd_;
  std::string name_;
};

// Whether the process may give files away (owner and group are kept only then).
bool RunningAsRoot();

// Whether `err`, from a change of permissions, owner or times, means that the file system
// cannot keep them (FAT, exFAT and NTFS through FUSE, SMB shares): what was written is good.
bool IsRefusal(int err);

// The time a copy of a file modified at `source` gets on a file system with `traits`
// (CopyTime: rounded up to its step, within its range).
timespec CopyTimeOf(const timespec& source, const DestinationTraits& traits);

// Whether `name` has the shape of a temporary file of some run of ours.
bool IsTemporaryName(std::string_view name);

// Removes the temporary files that interrupted runs left in the folder `folder_fd`; a file
// still locked by a live run stays. Failures are ignored: a file that cannot be removed
// now is only clutter.
void RemoveStaleTemporaryFiles(int folder_fd);

// Where one copy goes and what the destination can hold there.
struct CopyTarget {
  int folder_fd;
  const std::string& folder;  // the folder's path, for messages
  const std::string& name;
  const DestinationTraits& traits;
  DestinationRefusals* refusals;
  HashSink* hash = nullptr;                  // fed with every byte copied, when given
  const SourceSnapshot* snapshot = nullptr;  // the source's bytes, read ahead
};

// One attempt of DestinationTree::CopyFile (see there) for a name that passed the name
// checks. Sets `*changed` when the source changed while it was copied (or the temporary file
// was taken away), and then fails with a message that says so; the caller may try again.
Status CopyOnce(const std::string& source, const CopyTarget& target, KeepGoing keep_going,
                bool* changed);

}  // namespace platform::posix
