#include <time.h>

#include <array>
#include <cstdint>

#include "platform/clock.h"

namespace platform {
namespace {

constexpr std::int64_t kQuarterHour = 900;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

long ZoneOffset(std::int64_t unix_seconds) {
  time_t t = static_cast<time_t>(unix_seconds);
  struct tm tm;
  if (::localtime_r(&t, &tm) == nullptr) return 0;
  return tm.tm_gmtoff;
}

// Every zone offset in use today is a whole number of quarter hours and changes at a
// local quarter hour, so the offset is constant within each UTC quarter hour. Old
// local-mean-time offsets are not; a bucket whose two ends disagree is never cached.
struct OffsetCache {
  struct Slot {
    std::int64_t bucket = INT64_MIN;
    long offset = 0;
  };
  std::array<Slot, 64> slots;

  long OffsetAt(std::int64_t unix_seconds) {
    std::int64_t bucket = FloorDiv(unix_seconds, kQuarterHour);
    Slot& slot = slots[static_cast<std::size_t>(bucket) & (slots.size() - 1)];
    if (slot.bucket == bucket) return slot.offset;
    long first = ZoneOffset(bucket * kQuarterHour);
    long last = ZoneOffset(bucket * kQuarterHour + kQuarterHour - 1);
    if (first != last) return ZoneOffset(unix_seconds);
    slot.bucket = bucket;
    slot.offset = first;
    return first;
  }
};

}  // namespace

CivilTime ToLocalTime(std::int64_t unix_seconds) {
  thread_local OffsetCache cache;
  return ToUtcTime(unix_seconds + cache.OffsetAt(unix_seconds));
}

std::int64_t FromLocalTime(const CivilTime& local) {
  struct tm tm = {};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(::mktime(&tm));
}

CivilTime LocalNow() { return ToLocalTime(static_cast<std::int64_t>(::time(nullptr))); }

}  // namespace platform
