#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/destination.h"
#include "platform/file_system.h"

namespace testing_support {

// The machine's file system, except where a test makes an operation fail: each hook, when
// set, returns the status to answer instead (ok = do the real thing).
class FaultyFileSystem : public platform::FileSystemWrapper {
 public:
  FaultyFileSystem() : FileSystemWrapper(platform::FileSystem::Default()) {}

  std::function<platform::Status(const std::string& folder)> list_fault;
  std::function<platform::Status(const std::string& source, const std::string& destination)>
      copy_fault;
  // Called with the root of the destination tree when the run finishes its writes.
  std::function<platform::Status(const std::string& root)> flush_fault;
  // Called between parts of a copy, before the run is asked whether to go on: a test acts
  // on the file being copied (changes it, presses cancel, ...).
  std::function<void(const std::string& source)> during_copy;
  int flushes = 0;

  platform::Status List(const std::string& folder, platform::ListWhat what, bool want_stat,
                        platform::FunctionRef<bool(const platform::ListedEntry&)> visit) override {
    if (list_fault) {
      platform::Status status = list_fault(folder);
      if (!status.ok()) return status;
    }
    return target().List(folder, what, want_stat, visit);
  }
  platform::Status ListIncludingHidden(
      const std::string& folder, platform::ListWhat what, bool want_stat,
      platform::FunctionRef<bool(const platform::ListedEntry&)> visit) override {
    if (list_fault) {
      platform::Status status = list_fault(folder);
      if (!status.ok()) return status;
    }
    return target().ListIncludingHidden(folder, what, want_stat, visit);
  }

  std::unique_ptr<platform::DestinationTree> OpenDestination(const std::string& root) override {
    return std::make_unique<Tree>(*this, root, target().OpenDestination(root));
  }

 private:
  class Tree : public platform::DestinationTreeWrapper {
   public:
    Tree(FaultyFileSystem& owner, std::string root,
         std::unique_ptr<platform::DestinationTree> target)
        : DestinationTreeWrapper(std::move(target)), owner_(owner), root_(std::move(root)) {}

    platform::Status CopyFile(const std::string& source, const std::string& destination,
                              platform::KeepGoing keep_going, platform::HashSink* hash = nullptr,
                              const platform::SourceSnapshot* snapshot = nullptr) override {
      if (owner_.copy_fault) {
        platform::Status status = owner_.copy_fault(source, destination);
        if (!status.ok()) return status;
      }
      auto hooked = [&] {
        if (owner_.during_copy) owner_.during_copy(source);
        return keep_going();
      };
      return target().CopyFile(source, destination, hooked, hash, snapshot);
    }

    platform::Status Finish() override {
      ++owner_.flushes;
      platform::Status status = target().Finish();
      if (owner_.flush_fault) {
        platform::Status fault = owner_.flush_fault(root_);
        if (!fault.ok()) return fault;
      }
      return status;
    }

   private:
    FaultyFileSystem& owner_;
    std::string root_;
  };
};

}  // namespace testing_support
