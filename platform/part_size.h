#pragma once

#include <chrono>
#include <cstddef>

namespace platform {

// Sizes the parts of a long transfer (a copy, an archive read, an extracted file's writes)
// between which the program looks at a cancel request, from the throughput measured so far:
// each part should take about `target`, so a cancel is seen within a second at the rate the
// medium actually gives.
//
// A part's time is a fixed cost per call (a network mount over a long link, a USB bridge)
// plus its size over the medium's speed. Measured as bytes over time, the rate of a medium
// with a fixed cost rises with the part, so the parts grow; they shrink only where a smaller
// part is actually quicker. Where it is not (the cost of a call alone is above the target),
// shrinking would only multiply the calls, so the part goes back to the size before and never
// falls below it again.
class PartSizer {
 public:
  using Duration = std::chrono::steady_clock::duration;

  // A part quicker than `noticeable` leaves the size as it is: where a transfer goes through
  // a buffer of the part's size, a larger buffer costs more (memory to touch) than the calls
  // it saves on a medium that answers at once.
  PartSizer(std::size_t first, std::size_t smallest, std::size_t largest,
            Duration target = std::chrono::milliseconds(400),
            Duration noticeable = Duration::zero())
      : part_(first),
        smallest_(smallest),
        largest_(largest),
        target_(target),
        noticeable_(noticeable) {}

  // The size of the next part.
  std::size_t part() const { return part_; }

  // Records that a part of `bytes` (at most part()) took `took`.
  void Took(std::size_t bytes, Duration took);

 private:
  std::size_t part_;
  std::size_t smallest_;
  std::size_t largest_;
  Duration target_;
  Duration noticeable_;
  std::size_t previous_bytes_ = 0;
  Duration previous_took_{};
};

}  // namespace platform
