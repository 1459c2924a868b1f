#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>

// Every test binary runs in one fixed time zone nine hours east of UTC without daylight
// saving, given as a POSIX rule so that no time-zone database is needed.
int main(int argc, char** argv) {
  ::setenv("TZ", "JST-9", 1);
  ::tzset();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
