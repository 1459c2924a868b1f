#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/function_ref.h"
#include "platform/hash_sink.h"
#include "platform/status.h"

namespace platform {

struct SourceSnapshot;

// What the file system under a destination folder can hold. A tree learns it once per file
// system it writes to (see DestinationTree), from the file system's answers in the folder
// it is about to write into, never from the file system's name alone: the same name
// (fuseblk, say) covers NTFS and exFAT, which hold different names.
struct DestinationTraits {
  // The step between two modification times it can keep, in nanoseconds: two seconds on
  // FAT, one second on exFAT through FUSE, 1 where it keeps what it is given (as far as the
  // probe can tell). A copy's time is rounded up to it, never down, so that the next run
  // never finds the backup's copy older than its source.
  std::int64_t time_step_ns = 1;
  // Two names that differ only in letter case name the same file (FAT, exFAT, SMB shares).
  bool case_insensitive = false;
  // Names follow the Windows rules: valid Unicode text of at most 255 UTF-16 units, without
  // control characters or any of \ : * ? " < > |, not ending with a dot or a space.
  bool windows_names = false;
  // Of those, names of ASCII characters only (fusefat; vfat mounted without a Unicode
  // character set).
  bool ascii_names = false;
  // The longest name, in UTF-16 units (FAT, exFAT and NTFS: 255).
  std::size_t max_name_units = 255;
  // The device names (CON, NUL, COM1, ...) are reserved, with or without an extension: names
  // the system's own calls cannot open (Windows).
  bool device_names = false;
  // Names reach the file system through the system's UTF-16 calls, which take every name the
  // program holds (Windows), so no name is refused for its encoding.
  bool wide_names = false;
  // The largest file it can hold, in bytes (FAT: 4 GiB - 1).
  std::uint64_t max_file_size = UINT64_MAX;
  // Renaming a file may stamp it with the current time (fusefat does), so a copy's time is
  // set again after its final rename (on FAT).
  bool rename_resets_time = false;
  // The earliest and latest modification times it can keep, in Unix seconds, both multiples
  // of the time step (FAT and exFAT: 1980-01-01 00:00:00 to 2107-12-31 23:59:58, see
  // LimitToFatTimes). Outside it some drivers store a time that wraps around (1970 kept as
  // 2098), so a copy's time is moved into it first.
  std::int64_t earliest_time = INT64_MIN;
  std::int64_t latest_time = INT64_MAX;
  // A file can be written without a name and linked into its folder once complete (Linux's
  // O_TMPFILE on ext4, XFS, Btrfs and tmpfs): no temporary name to lock, rename or leave
  // behind.
  bool unnamed_files = false;
};

// An instant as file systems give it: whole seconds since 1970-01-01 UTC (negative before)
// and the nanoseconds past them, 0 to 999,999,999.
struct FileInstant {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  friend auto operator<=>(const FileInstant&, const FileInstant&) = default;
};

// The modification time a copy of a file modified at `source` gets on a destination with
// `traits`: rounded up to the time step, then moved into the range of times it holds. Where
// the range allows, the copy is never older than its source, so the next run selects
// nothing; a source dated past the range's end gets the latest time there is and is copied
// again by every run, which is the safe side.
FileInstant CopyTime(FileInstant source, const DestinationTraits& traits);

// Whether the modification time a destination reports for a copy (`stored`), after it was
// given `set` (CopyTime of `source`), would hide later changes of the source: it is later than
// both, so an edit made meanwhile would look older than the copy. A time between the source's
// and the one set is what rounding up gives anyway; an earlier one only costs a copy.
bool StoredTimeHidesChanges(FileInstant source, FileInstant set, FileInstant stored);

// Gives `traits` the range of times FAT and exFAT keep: 1980-01-01 00:00:00 to 2107-12-31
// 23:59:58, the instants that are in it both as local time and as UTC (drivers read the
// medium's wall-clock fields either way), rounded inwards to the time step.
void LimitToFatTimes(DestinationTraits* traits);

// Why `name` cannot be held by a file system with `traits`, as a short English reason
// ("it contains ':'"), or "" when it can. Written once for every platform (destination
// trees, extraction).
std::string NameProblem(std::string_view name, const DestinationTraits& traits);

// What a destination refused to keep (EPERM, ENOSYS, EOPNOTSUPP or EINVAL from the file
// system) while the copies and folders themselves were made.
struct DestinationRefusals {
  bool permissions = false;  // permission bits
  bool owners = false;       // owner and group (tried only when running as root)
  bool times = false;        // modification times
  bool any() const { return permissions || owners || times; }
};

// For a folder that DestinationTree::MakeFolders creates, the source folder whose permission
// bits (and, when running as root, owner and group) it takes; "" for the system's defaults.
using FolderModel = FunctionRef<std::string(std::string_view folder)>;

// Polled between parts of a copy, at least once per MiB copied; returns false to abandon
// the copy. May take as long as it likes (to ask the user, say): the copy waits.
using KeepGoing = FunctionRef<bool()>;

// The folders and files a run writes below the destination folder the user named (the
// root). The root's own path may pass through symbolic links (a mount point behind a link is
// common); below it nothing is ever followed: every folder is opened from the root,
// component by component or in one call that refuses links, so a link placed anywhere in
// the tree (D/20250101/home -> /etc) fails the operation instead of redirecting it. Paths
// given to the methods are full paths that begin with the root's text, as the run composes
// them ("." and ".." components are refused).
//
// Not safe for concurrent use: one thread, the run's, calls it. Objects live for one run.
class DestinationTree {
 public:
  virtual ~DestinationTree() = default;

  // A tree on the machine's file system below `root` (absolute, or relative to the current
  // folder). Nothing is touched until the first call.
  static std::unique_ptr<DestinationTree> Open(const std::string& root);

  // Makes sure the folder `path` (the root or below it) exists. A missing root is created
  // with its missing parents, following links, with the system's default permissions; a root
  // on a medium that is not mounted (CheckMediumMounted) fails before anything is created.
  // Below the root each missing folder is created with the permission bits of
  // `model(its path)` (and its owner and group when running as root); a folder whose bits
  // would keep the run from writing into it is made writable for the owner while the run
  // lasts and gets its exact bits in Finish. A component that exists but is not a folder, or
  // is a symbolic link, fails (kPathNotFound). Folders made before a failure stay.
  virtual Status MakeFolders(const std::string& path, FolderModel model) = 0;

  // Copies the regular file `source` (links followed: it is the user's file) to the full
  // file path `destination`, whose folder MakeFolders has made. The copy
  // - refuses, before writing anything, a name the destination cannot hold, a file larger
  //   than it can hold, and, where letter case does not count, a name that differs only in
  //   case from one this tree already copied into the same folder (kBadFileName, kDiskFull
  //   or kFileAlreadyExists, with the reason in the message);
  // - takes exactly as many bytes as the source had when it was opened, into a temporary
  //   file in the destination folder that is locked while it is written and renamed over
  //   `destination` (replacing a file or link there, never following it) only when complete;
  // - checks the source afterwards (size, modification and change time, on the same open
  //   file) and copies once more when it changed meanwhile; a second change fails the copy
  //   (kPathFileAccessError) and leaves the previous `destination` as it was;
  // - keeps the source's permission bits, its modification time as CopyTime gives it (rounded
  //   up to the destination's time step, within the destination's range), and, when running
  //   as root, owner and group; refusals are recorded (refusals()) and do not fail the copy;
  // - fails (kDeviceIoError, with no copy left under `destination`) when the destination
  //   keeps a modification time that StoredTimeHidesChanges;
  // - calls `keep_going` between parts; when it answers false the copy is abandoned and
  //   fails with kUserInterrupt;
  // - when `hash` is given, feeds it every byte of the copy as it passes (after a Reset, so
  //   a second attempt starts over): on success it holds the copy's digest;
  // - when `snapshot` is given (a state of `source` read ahead, see source_snapshot.h),
  //   writes that instead of reading the source again.
  // On failure no temporary file remains. Temporary files that an interrupted run left in
  // a folder the tree did not create are removed before its first copy into it; a file that
  // a live run still writes is locked and stays.
  virtual Status CopyFile(const std::string& source, const std::string& destination,
                          KeepGoing keep_going, HashSink* hash = nullptr,
                          const SourceSnapshot* snapshot = nullptr) = 0;

  // Ends the tree's work, on every way out of a run: gives deferred folders their exact
  // permission bits and makes everything written durable, on every file system written to,
  // through handles opened before the first write to each, so that a write-back error during
  // the run is reported here even when another program's flush saw it first. Returns the
  // first failure. Calling it when nothing was written does nothing.
  virtual Status Finish() = 0;

  // What the destination refused so far.
  virtual DestinationRefusals refusals() const = 0;
};

// Forwards every call to another tree, so a test double overrides only what it changes.
class DestinationTreeWrapper : public DestinationTree {
 public:
  explicit DestinationTreeWrapper(std::unique_ptr<DestinationTree> target)
      : target_(std::move(target)) {}

  Status MakeFolders(const std::string& path, FolderModel model) override {
    return target_->MakeFolders(path, model);
  }
  Status CopyFile(const std::string& source, const std::string& destination, KeepGoing keep_going,
                  HashSink* hash = nullptr, const SourceSnapshot* snapshot = nullptr) override {
    return target_->CopyFile(source, destination, keep_going, hash, snapshot);
  }
  Status Finish() override { return target_->Finish(); }
  DestinationRefusals refusals() const override { return target_->refusals(); }

 protected:
  DestinationTree& target() { return *target_; }

 private:
  std::unique_ptr<DestinationTree> target_;
};

}  // namespace platform
