#include <algorithm>

#include "platform/clock.h"
#include "platform/destination.h"

namespace platform {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

std::int64_t FloorMod(std::int64_t a, std::int64_t b) { return ((a % b) + b) % b; }

// Up to the next multiple of the step, counted from 1970 (FAT's even seconds are even there,
// and a FILETIME's 1601 lies an even number of seconds before it).
FileInstant RoundUp(FileInstant time, std::int64_t step_ns) {
  if (step_ns <= 1) return time;
  if (step_ns < kSecond) {
    std::int64_t nanoseconds = time.nanoseconds + FloorMod(-time.nanoseconds, step_ns);
    if (nanoseconds >= kSecond) return FileInstant{time.seconds + 1, 0};
    return FileInstant{time.seconds, nanoseconds};
  }
  const std::int64_t step_seconds = step_ns / kSecond;
  std::int64_t seconds = time.seconds + (time.nanoseconds > 0 ? 1 : 0);
  seconds += FloorMod(-seconds, step_seconds);
  return FileInstant{seconds, 0};
}

}  // namespace

FileInstant CopyTime(FileInstant source, const DestinationTraits& traits) {
  const FileInstant rounded = RoundUp(source, traits.time_step_ns);
  return std::clamp(rounded, FileInstant{traits.earliest_time, 0},
                    FileInstant{traits.latest_time, 0});
}

bool StoredTimeHidesChanges(FileInstant source, FileInstant set, FileInstant stored) {
  return stored > std::max(source, set);
}

void LimitToFatTimes(DestinationTraits* traits) {
  // FAT stores wall-clock fields without a zone, and drivers read them in local time or in
  // UTC (Linux's vfat unless the system clock keeps local time): a time both ranges hold is
  // kept as given by either.
  constexpr std::int64_t kUtcEarliest = 315532800;  // 1980-01-01 00:00:00 UTC
  constexpr std::int64_t kUtcLatest = 4354819198;   // 2107-12-31 23:59:58 UTC
  std::int64_t earliest = std::max(kUtcEarliest, FromLocalTime(CivilTime{1980, 1, 1, 0, 0, 0}));
  std::int64_t latest = std::min(kUtcLatest, FromLocalTime(CivilTime{2107, 12, 31, 23, 59, 58}));
  const std::int64_t step = std::max<std::int64_t>(1, traits->time_step_ns / kSecond);
  earliest += FloorMod(-earliest, step);
  latest -= FloorMod(latest, step);
  traits->earliest_time = earliest;
  traits->latest_time = latest;
}

}  // namespace platform
