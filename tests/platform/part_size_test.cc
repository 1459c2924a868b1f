// Part sizes on media modelled as a fixed cost per call plus bytes over a speed: each part
// is timed as the model says, and the sizes that follow are what a copy would use.
#include "platform/part_size.h"

#include <gtest/gtest.h>

#include <chrono>

namespace platform {
namespace {

using std::chrono::duration_cast;
using Seconds = std::chrono::duration<double>;

constexpr std::size_t kMiB = 1 << 20;

struct Medium {
  double cost_per_call;  // seconds
  double bytes_per_second;
};

// The sizes of `parts` parts in a row, from a first part of 1 MiB.
std::vector<std::size_t> Parts(const Medium& medium, int parts) {
  PartSizer sizer(kMiB, 64 << 10, 64 * kMiB);
  std::vector<std::size_t> sizes;
  for (int i = 0; i < parts; ++i) {
    const std::size_t part = sizer.part();
    sizes.push_back(part);
    const double took = medium.cost_per_call + static_cast<double>(part) / medium.bytes_per_second;
    sizer.Took(part, duration_cast<PartSizer::Duration>(Seconds(took)));
  }
  return sizes;
}

double Took(const Medium& medium, std::size_t part) {
  return medium.cost_per_call + static_cast<double>(part) / medium.bytes_per_second;
}

TEST(PartSizerTest, PartsGrowWithAFixedCostAndStayWithinASecondOnSlowMedia) {
  // A long link: 0.1 s per call, fast otherwise. Parts only grow, up to the largest.
  const Medium far{0.1, 1e9};
  std::vector<std::size_t> sizes = Parts(far, 8);
  for (std::size_t i = 1; i < sizes.size(); ++i) EXPECT_GE(sizes[i], sizes[i - 1]) << i;
  EXPECT_EQ(sizes.back(), 64 * kMiB);

  // A slow medium without a fixed cost: parts shrink until one takes well under a second.
  const Medium slow{0, 256 << 10};
  sizes = Parts(slow, 6);
  EXPECT_LT(sizes.back(), kMiB);
  EXPECT_LT(Took(slow, sizes.back()), 1.0);

  // A call that costs more than the target whatever its size: shrinking would only mean more
  // calls, so the part goes back up and stays.
  const Medium stalling{0.6, 1e9};
  sizes = Parts(stalling, 8);
  EXPECT_GE(sizes.back(), kMiB);

  // A fast local disk: as large as allowed at once.
  sizes = Parts(Medium{0.0001, 2e9}, 4);
  EXPECT_EQ(sizes.back(), 64 * kMiB);
}

TEST(PartSizerTest, AShortLastPartChangesNothing) {
  PartSizer sizer(kMiB, 64 << 10, 64 * kMiB);
  sizer.Took(1000, std::chrono::seconds(5));
  EXPECT_EQ(sizer.part(), kMiB);
}

}  // namespace
}  // namespace platform
