#include <gtest/gtest.h>

#include "platform/destination.h"
#include "tests/support/scoped_time_zone.h"

namespace platform {
namespace {

constexpr std::int64_t kFatEarliest = 315532800;  // 1980-01-01 00:00:00 UTC
constexpr std::int64_t kFatLatest = 4354819198;   // 2107-12-31 23:59:58 UTC

DestinationTraits Traits(std::int64_t step_ns, bool fat_range = false) {
  DestinationTraits traits;
  traits.time_step_ns = step_ns;
  if (fat_range) {
    traits.earliest_time = kFatEarliest;
    traits.latest_time = kFatLatest;
  }
  return traits;
}

TEST(CopyTimeTest, RoundsUpToTheStepAndIntoTheRange) {
  const DestinationTraits exact = Traits(1), ntfs = Traits(100), exfat = Traits(10'000'000),
                          whole = Traits(1'000'000'000), fat = Traits(2'000'000'000, true);
  struct Row {
    const char* what;
    const DestinationTraits& traits;
    FileInstant source, copy;
  } rows[] = {
      {"kept as it is", exact, {961988707, 123456789}, {961988707, 123456789}},
      {"before 1970 too", exact, {-5, 1}, {-5, 1}},
      {"to 100 ns", ntfs, {961988707, 123456789}, {961988707, 123456800}},
      {"to 10 ms", exfat, {961988707, 123456789}, {961988707, 130000000}},
      {"10 ms into the next second", exfat, {961988707, 995000000}, {961988708, 0}},
      {"a whole second stays", whole, {961988707, 0}, {961988707, 0}},
      {"a fraction goes to the next second", whole, {961988707, 1}, {961988708, 0}},
      {"an odd second goes to the next even one", fat, {961988707, 0}, {961988708, 0}},
      {"an even second with a fraction skips one", fat, {961988708, 1}, {961988710, 0}},
      {"before 1970, upwards", Traits(2'000'000'000), {-3, 500000000}, {-2, 0}},
      {"1970 on FAT: the first time it holds", fat, {13046400, 0}, {kFatEarliest, 0}},
      {"the first time itself", fat, {kFatEarliest, 0}, {kFatEarliest, 0}},
      {"just before it", fat, {kFatEarliest - 1, 999999999}, {kFatEarliest, 0}},
      {"the last time itself", fat, {kFatLatest, 0}, {kFatLatest, 0}},
      // The range allows no later time: the copy is older than its source and is taken again.
      {"rounded up past the last time", fat, {kFatLatest, 1}, {kFatLatest, 0}},
      {"2200 on FAT", fat, {7258118400, 0}, {kFatLatest, 0}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CopyTime(row.source, row.traits), row.copy) << row.what;
  }
}

TEST(CopyTimeTest, OnlyAStoredTimeLaterThanTheSourceAndTheSetTimeHidesChanges) {
  const FileInstant source{961988707, 500000000}, set{961988708, 0};
  EXPECT_FALSE(StoredTimeHidesChanges(source, set, set));
  EXPECT_FALSE(StoredTimeHidesChanges(source, set, source)) << "coarser than the step";
  EXPECT_FALSE(StoredTimeHidesChanges(source, set, {961988707, 0})) << "earlier: copied again";
  EXPECT_TRUE(StoredTimeHidesChanges(source, set, {961988708, 1}));
  // fusefat keeps 1970 as 2098.
  EXPECT_TRUE(StoredTimeHidesChanges({13046400, 0}, {13046400, 0}, {4052246400, 0}));
  // Past the range the time set is earlier than the source's; a later one is still harmless
  // up to the source's, not beyond.
  EXPECT_FALSE(StoredTimeHidesChanges({7258118400, 0}, {kFatLatest, 0}, {7258118400, 0}));
  EXPECT_TRUE(StoredTimeHidesChanges({7258118400, 0}, {kFatLatest, 0}, {7258118402, 0}));
}

// Drivers read FAT's wall-clock fields as local time or as UTC: the range is what both hold.
TEST(CopyTimeTest, FatTimesAreTheYears1980To2107OfLocalTimeAndOfUtc) {
  struct Row {
    const char* zone;
    std::int64_t earliest, latest;
  } rows[] = {
      {"UTC0", kFatEarliest, kFatLatest},
      {"JST-9", kFatEarliest, kFatLatest - 9 * 3600},
      {"EST5", kFatEarliest + 5 * 3600, kFatLatest},
      // A quarter-hour zone still gives FAT's even seconds.
      {"NPT-5:45", kFatEarliest, kFatLatest - (5 * 3600 + 45 * 60)},
      {"XXX+0:00:01", kFatEarliest + 2, kFatLatest},
  };
  for (const Row& row : rows) {
    testing_support::ScopedTimeZone zone(row.zone);
    if (!zone.active()) GTEST_SKIP() << "the system's time zone cannot be changed here";
    DestinationTraits fat = Traits(2'000'000'000);
    LimitToFatTimes(&fat);
    EXPECT_EQ(fat.earliest_time, row.earliest) << row.zone;
    EXPECT_EQ(fat.latest_time, row.latest) << row.zone;
  }
}

}  // namespace
}  // namespace platform
