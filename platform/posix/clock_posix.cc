#include <time.h>

#include <cstdint>

#include "platform/clock.h"
#include "platform/zone_offset.h"

namespace platform {

long ZoneOffset(std::int64_t unix_seconds) {
  time_t t = static_cast<time_t>(unix_seconds);
  struct tm tm;
  if (::localtime_r(&t, &tm) == nullptr) return 0;
  return tm.tm_gmtoff;
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
