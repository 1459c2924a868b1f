#include "platform/clock.h"

#include <array>

#include "platform/zone_offset.h"

namespace platform {
namespace {

constexpr std::int64_t kQuarterHour = 900;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
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

CivilTime ToUtcTime(std::int64_t unix_seconds) {
  // Days to civil date after H. Hinnant's algorithm, valid far beyond any file time.
  std::int64_t days = FloorDiv(unix_seconds, 86400);
  std::int64_t rest = unix_seconds - days * 86400;
  days += 719468;
  std::int64_t era = FloorDiv(days, 146097);
  std::int64_t doe = days - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  CivilTime civil;
  civil.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  civil.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  civil.year = static_cast<int>(yoe + era * 400 + (civil.month <= 2 ? 1 : 0));
  civil.hour = static_cast<int>(rest / 3600);
  civil.minute = static_cast<int>(rest / 60 % 60);
  civil.second = static_cast<int>(rest % 60);
  return civil;
}
}  // namespace platform
