#pragma once

#include <string>

namespace testing_support {

// Puts the process in another time zone (a POSIX TZ rule, so that no zone database is
// needed) until the object goes away. Local times already converted for the same quarter
// hours on this thread stay cached (platform/clock.h); ctest runs each test in a process
// of its own.
//
// Windows takes the zone from the system, not from the process: there the object changes
// nothing and active() is false, so a test of times in another zone skips.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& rule);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  bool active() const { return active_; }

 private:
  std::string old_;
  bool had_ = false;
  bool active_ = false;
};

}  // namespace testing_support
