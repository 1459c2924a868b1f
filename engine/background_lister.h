#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "engine/catalogue.h"
#include "platform/file_system.h"

namespace engine {

// Lists a counterpart folder on a second thread while the run lists the source folder, so
// that the two folders' files are looked at side by side instead of one after the other.
// One listing at a time: every Start is followed by a Wait before the next Start.
class BackgroundLister {
 public:
  explicit BackgroundLister(platform::FileSystem& fs) : fs_(fs) {}
  ~BackgroundLister();
  BackgroundLister(const BackgroundLister&) = delete;
  BackgroundLister& operator=(const BackgroundLister&) = delete;

  // Starts listing the files of `folder` (with its separator) into an index by upper-cased
  // name.
  void Start(std::string folder);
  // Waits for the listing and returns it; rethrows what the listing thread threw.
  const FolderIndex& Wait();

 private:
  void Work();

  platform::FileSystem& fs_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string folder_;
  bool requested_ = false;
  bool finished_ = false;
  bool stopping_ = false;
  FolderIndex index_;
  std::exception_ptr error_;
};

}  // namespace engine
