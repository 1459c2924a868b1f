#pragma once

#include <functional>
#include <string>

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
  std::function<platform::Status(const std::string& path)> flush_fault;
  int flushes = 0;

  platform::Status List(const std::string& folder, platform::ListWhat what, bool want_stat,
                        platform::FunctionRef<bool(const platform::ListedEntry&)> visit) override {
    if (list_fault) {
      platform::Status status = list_fault(folder);
      if (!status.ok()) return status;
    }
    return target().List(folder, what, want_stat, visit);
  }

  platform::Status CopyFile(const std::string& source, const std::string& destination) override {
    if (copy_fault) {
      platform::Status status = copy_fault(source, destination);
      if (!status.ok()) return status;
    }
    return target().CopyFile(source, destination);
  }

  platform::Status Flush(const std::string& path) override {
    ++flushes;
    if (flush_fault) {
      platform::Status status = flush_fault(path);
      if (!status.ok()) return status;
    }
    return target().Flush(path);
  }
};

}  // namespace testing_support
