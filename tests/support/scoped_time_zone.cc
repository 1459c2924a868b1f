#include "tests/support/scoped_time_zone.h"

#include <time.h>

#include <cstdlib>

namespace testing_support {

ScopedTimeZone::ScopedTimeZone(const std::string& rule) {
  const char* old = std::getenv("TZ");
  if (old != nullptr) old_ = old;
  had_ = old != nullptr;
  ::setenv("TZ", rule.c_str(), 1);
  ::tzset();
  active_ = true;
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_) {
    ::setenv("TZ", old_.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace testing_support
