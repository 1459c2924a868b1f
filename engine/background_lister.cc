#include "engine/background_lister.h"

#include "platform/text.h"

namespace engine {

BackgroundLister::~BackgroundLister() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundLister::Start(std::string folder) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    folder_ = std::move(folder);
    requested_ = true;
    finished_ = false;
    error_ = nullptr;
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { Work(); });
  changed_.notify_all();
}

const FolderIndex& BackgroundLister::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return finished_; });
  if (error_) std::rethrow_exception(error_);
  return index_;
}

void BackgroundLister::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return requested_ || stopping_; });
    if (stopping_) return;
    requested_ = false;
    std::string folder = folder_;
    lock.unlock();
    // The index belongs to this thread until `finished_` is set.
    std::exception_ptr error;
    try {
      index_.Clear();
      fs_.List(folder, platform::ListWhat::kFiles, true, [&](const platform::ListedEntry& entry) {
        index_.Add(platform::UpperCase(entry.name), entry.size, entry.mtime);
        return true;
      });
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    finished_ = true;
    changed_.notify_all();
  }
}

}  // namespace engine
