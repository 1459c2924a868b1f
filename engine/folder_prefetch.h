#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace engine {

// Works ahead of the run on a second thread: computes a result for each folder of a list, in
// the list's order, so that reading one tree overlaps with the run's own work on the other.
// Folders may be added while the work goes on. At most `depth` results wait to be taken;
// the threads wake each other only when a queue crosses half its size, since on a virtual
// machine a wake-up costs more than reading a small folder.
template <typename Result>
class FolderPrefetch {
 public:
  using Work = std::function<Result(const std::string& folder)>;

  FolderPrefetch(Work work, std::size_t depth)
      : work_(std::move(work)), depth_(depth), thread_([this] { Run(); }) {}

  ~FolderPrefetch() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    worker_wakes_.notify_one();
    thread_.join();
  }

  FolderPrefetch(const FolderPrefetch&) = delete;
  FolderPrefetch& operator=(const FolderPrefetch&) = delete;

  void Add(std::string folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.push_back(std::move(folder));
    if (worker_waiting_ && folders_.size() - next_ >= kWakeBatch) worker_wakes_.notify_one();
  }

  // Says that no folder will be added any more.
  void Close() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
    }
    worker_wakes_.notify_one();
  }

  // The result for the next folder in order, waiting for it; rethrows what the work threw.
  Result Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (ready_.empty()) {
      // Whatever was added is needed now.
      worker_wakes_.notify_one();
      taker_waiting_ = true;
      taker_wakes_.wait(lock, [this] { return !ready_.empty(); });
      taker_waiting_ = false;
    }
    Slot slot = std::move(ready_.front());
    ready_.pop_front();
    if (worker_waiting_ && ready_.size() <= depth_ / 2) worker_wakes_.notify_one();
    lock.unlock();
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(slot.result);
  }

 private:
  static constexpr std::size_t kWakeBatch = 16;

  struct Slot {
    Result result{};
    std::exception_ptr error;
  };

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      auto can_work = [this] {
        return stopping_ || (next_ < folders_.size() && ready_.size() < depth_);
      };
      if (!can_work()) {
        worker_waiting_ = true;
        worker_wakes_.wait(lock, [&] {
          return can_work() &&
                 (stopping_ || closed_ || taker_waiting_ || folders_.size() - next_ >= kWakeBatch ||
                  ready_.size() <= depth_ / 2);
        });
        worker_waiting_ = false;
      }
      if (stopping_) return;
      std::string folder = std::move(folders_[next_++]);  // only its result is kept
      lock.unlock();
      Slot slot;
      try {
        slot.result = work_(folder);
      } catch (...) {
        slot.error = std::current_exception();
      }
      lock.lock();
      ready_.push_back(std::move(slot));
      if (taker_waiting_) taker_wakes_.notify_one();
    }
  }

  Work work_;
  const std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable worker_wakes_;
  std::condition_variable taker_wakes_;
  std::vector<std::string> folders_;
  std::size_t next_ = 0;
  std::deque<Slot> ready_;
  bool closed_ = false;
  bool stopping_ = false;
  bool worker_waiting_ = false;
  bool taker_waiting_ = false;
  std::thread thread_;
};

}  // namespace engine
