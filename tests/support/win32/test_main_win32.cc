#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

// Every test binary runs in one fixed time zone nine hours east of UTC without daylight
// saving. Windows takes its zone from the system, not from the environment: the Wine runner
// (tests/wine/run) sets it; elsewhere the machine must be in that zone.
int main(int argc, char** argv) {
  TIME_ZONE_INFORMATION zone;
  DWORD kind = ::GetTimeZoneInformation(&zone);
  if (zone.Bias != -540 || kind == TIME_ZONE_ID_DAYLIGHT || zone.DaylightDate.wMonth != 0) {
    std::fprintf(stderr,
                 "The tests expect the time zone UTC+9 without daylight saving; run them "
                 "through tests/wine/run (TZ=JST-9) or in that zone.\n");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
