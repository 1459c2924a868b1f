#pragma once

#include <cstdint>

namespace platform {

// A broken-down wall-clock time, fields as people write them (month 1-12, hour 0-23).
struct CivilTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Converts Unix seconds to the local time of this machine's time zone. Cheap enough to
// call once per listed file: the zone's offset is cached per quarter hour, the finest step
// in which any zone's offset changes.
CivilTime ToLocalTime(std::int64_t unix_seconds);

// Converts a local wall-clock time to Unix seconds (the earlier instant when the local time
// occurs twice, a nearby instant when it does not occur).
std::int64_t FromLocalTime(const CivilTime& local);

// The current local time.
CivilTime LocalNow();

// Converts Unix seconds to UTC fields (no time zone involved).
CivilTime ToUtcTime(std::int64_t unix_seconds);

}  // namespace platform
