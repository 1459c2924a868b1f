#pragma once

#include <windows.h>

#include <cstdint>

namespace platform::win32 {

// FILETIME counts 100-nanosecond steps since 1601-01-01 UTC.
inline constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11'644'473'600;

inline std::int64_t TicksOf(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
}

// Unix seconds, rounded down to the whole second as POSIX stat reports them.
inline std::int64_t UnixSecondsOf(const FILETIME& t) {
  std::int64_t ticks = TicksOf(t);
  std::int64_t seconds = ticks / kFileTimeTicksPerSecond;
  if (ticks % kFileTimeTicksPerSecond < 0) --seconds;
  return seconds - kUnixEpochInFileTimeSeconds;
}

inline FILETIME FileTimeOf(std::int64_t unix_seconds) {
  auto ticks = static_cast<std::uint64_t>((unix_seconds + kUnixEpochInFileTimeSeconds) *
                                          kFileTimeTicksPerSecond);
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace platform::win32
