#pragma once

#include <cstdint>

namespace platform {

// Seconds east of UTC of this machine's time zone at the instant `unix_seconds` (daylight
// saving included), 0 when the system cannot tell. Uncached: ToLocalTime caches it.
long ZoneOffset(std::int64_t unix_seconds);

}  // namespace platform
