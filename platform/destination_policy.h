#pragma once

// The rules every destination tree follows, written once above the operating system: how a
// path below the root is split, which names a destination cannot hold, which names collide
// where letter case does not count, which folders need a sweep of stale temporary files, and
// the copy that is tried once more when its source changed. posix/ and win32/ supply only
// the primitives (open a held folder, create, copy, rename, set times, flush).

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/destination.h"
#include "platform/function_ref.h"
#include "platform/status.h"

namespace platform {

// One folder name below a tree's root, and where it ends in the path it came from.
struct PathComponent {
  std::string_view name;
  std::size_t end;
};

// Splits `path`, which must be the root's text `root` followed by folders, into the
// components below the root (views into `path`). A path elsewhere, or one with a "." or ".."
// component, fails with kBadFileName: the run composes its paths, so such a path would
// reach outside the destination.
Status SplitBelowRoot(std::string_view root, const std::string& path,
                      std::vector<PathComponent>* components);

// The components joined with `separator` ("a/b/c"), the first `count` of them.
std::string JoinComponents(const std::vector<PathComponent>& components, char separator,
                           std::size_t count = SIZE_MAX);

// Splits a full destination file path into its folder text (the root's text when the file
// lies in the root) and its name; a path without a file name fails with kBadFileName.
Status SplitFilePath(std::string_view root, const std::string& destination, std::string* folder,
                     std::string* name);

// Why a destination with `traits` cannot hold `name`, as a failure of `operation` ("copy" of
// `source`, "mkdir" of the folder `path`); ok when it can.
Status RefuseFileName(std::string_view name, const DestinationTraits& traits,
                      const std::string& source);
Status RefuseFolderName(std::string_view name, const DestinationTraits& traits,
                        const std::string& path);

// Where letter case does not count, the names a tree copied into each folder so far, so that
// a second name differing only in case is a failed copy with its reason, never a silent
// replacement of the first.
class CaseCollisions {
 public:
  // kFileAlreadyExists when `name` differs only in case from a name copied into the folder
  // `key` (shown as `folder`) in this run.
  Status Check(const std::string& key, std::string_view name, const std::string& source,
               const std::string& folder, char separator) const;
  void Record(const std::string& key, std::string_view name);

 private:
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> written_;
};

// The folders a tree has made (no stale temporary files can be in them) and those already
// swept of the stale temporary files an interrupted run left.
class SweptFolders {
 public:
  void Made(const std::string& key) { made_.insert(key); }
  bool WasMade(const std::string& key) const { return made_.contains(key); }
  // True the first time a folder the tree did not make is about to be written into.
  bool NeedsSweep(const std::string& key) {
    return !made_.contains(key) && swept_.insert(key).second;
  }

 private:
  std::unordered_set<std::string> made_, swept_;
};

// Copies by `copy_once`, which sets `*changed` when the source changed while it was copied:
// once more for a file that was being written; a file that keeps changing fails the copy and
// is left for the next run.
Status CopyWithOneRetry(FunctionRef<Status(bool* changed)> copy_once);

// A destination tree whose rules are the ones above, written once: the POSIX and Windows
// trees derive from it and supply the primitives (open or make the folders below the root,
// tell a folder's traits, sweep it, copy one file once).
class PolicyTree : public DestinationTree {
 public:
  Status MakeFolders(const std::string& path, FolderModel model) final;
  Status CopyFile(const std::string& source, const std::string& destination, KeepGoing keep_going,
                  HashSink* hash = nullptr, const SourceSnapshot* snapshot = nullptr) final;

 protected:
  // `root` as the user gave it; `separator` joins folder keys and messages.
  PolicyTree(std::string root, char separator) : root_(std::move(root)), separator_(separator) {}

  const std::string& root() const { return root_; }
  std::string& mutable_root() { return root_; }
  SweptFolders& folders() { return folders_; }

  // Opens the folder `path` (its components below the root given), creating what is
  // missing when `model` is given, and makes it the folder copies go into.
  virtual Status OpenFolder(const std::string& path, const std::vector<PathComponent>& components,
                            FolderModel* model) = 0;
  // Of the folder opened last: its key below the root ("a/b") and what its file system holds.
  virtual const std::string& CurrentKey() const = 0;
  virtual const DestinationTraits& CurrentTraits() = 0;
  // Removes the temporary files an interrupted run left in the folder opened last.
  virtual void RemoveStaleTemporaryFiles() = 0;
  // Copies `source` once to `name` in the folder opened last (shown as `folder`), handing
  // its bytes to `hash` when given and setting `*changed` when the source changed meanwhile.
  virtual Status CopyOnce(const std::string& source, const std::string& folder,
                          const std::string& name, KeepGoing keep_going, HashSink* hash,
                          const SourceSnapshot* snapshot, bool* changed) = 0;
  // A copy into the folder opened last succeeded.
  virtual void Copied(const std::string& folder, const std::string& name) {
    (void)folder;
    (void)name;
  }

 private:
  std::string root_;
  char separator_;
  SweptFolders folders_;
  CaseCollisions collisions_;
};

}  // namespace platform
