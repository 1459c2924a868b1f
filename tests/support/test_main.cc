#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>

// Every test binary runs in one fixed time zone nine hours east of UTC without daylight
// saving, given as a POSIX rule so that no time-zone database is needed. The programs it
// starts speak as their texts are written, whatever language the machine's user reads; tests
// of the other languages set their own locale.
int main(int argc, char** argv) {
  ::setenv("TZ", "JST-9", 1);
  ::tzset();
  ::setenv("LC_ALL", "C.UTF-8", 1);
  ::unsetenv("LANGUAGE");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
