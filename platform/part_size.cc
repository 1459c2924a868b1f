#include "platform/part_size.h"

#include <algorithm>

namespace platform {

void PartSizer::Took(std::size_t bytes, Duration took) {
  // A short last part says little about the medium.
  if (bytes == 0 || bytes < part_ / 2 || took < noticeable_) return;
  const double seconds = std::max(std::chrono::duration<double>(took).count(), 1e-6);
  const double rate = static_cast<double>(bytes) / seconds;
  // At most eight times larger in one step: one quick part may have met a cache.
  const double next = std::min(rate * std::chrono::duration<double>(target_).count(),
                               8.0 * static_cast<double>(bytes));
  // Before shrinking: when a part of another size took about as long, the time is the cost
  // of the call, not of the bytes, and a smaller part would only mean more calls.
  if (next < static_cast<double>(bytes) && previous_bytes_ != 0 && previous_bytes_ != bytes &&
      previous_took_ * 10 >= took * 9 && took * 10 >= previous_took_ * 9) {
    smallest_ = std::max({smallest_, bytes, previous_bytes_});
  }
  previous_bytes_ = bytes;
  previous_took_ = took;
  part_ = std::clamp(static_cast<std::size_t>(next), std::min(smallest_, largest_), largest_);
}

}  // namespace platform
