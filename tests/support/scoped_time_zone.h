#pragma once

#include <time.h>

#include <cstdlib>
#include <string>

namespace testing_support {

// Puts the process in another time zone (a POSIX TZ rule, so that no zone database is
// needed) until the object goes away. Local times already converted for the same quarter
// hours on this thread stay cached (platform/clock.h); ctest runs each test in a process
// of its own.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& rule) {
    const char* old = std::getenv("TZ");
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    ::setenv("TZ", rule.c_str(), 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (had_) {
      ::setenv("TZ", old_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::string old_;
  bool had_ = false;
};

}  // namespace testing_support
