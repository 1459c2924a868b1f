#include "tests/support/scoped_time_zone.h"

namespace testing_support {

ScopedTimeZone::ScopedTimeZone(const std::string&) {}

ScopedTimeZone::~ScopedTimeZone() = default;

}  // namespace testing_support
