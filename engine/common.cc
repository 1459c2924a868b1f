#include "engine/common.h"

#include <cstdio>

#include "platform/clock.h"

namespace engine {

std::string DateFolderName;
std::string DestinationRoot;

std::string TodayFolderName() {
  platform::CivilTime now = platform::LocalNow();
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", now.year, now.month, now.day);
  return text;
}

}  // namespace engine
