#include "engine/run_text.h"

#include <cstdio>
#include <vector>

#include "platform/clock.h"
#include "platform/path_rules.h"
#include "platform/text.h"

namespace engine {
namespace {

// Offsets of the characters of `text`, counted as the platform counts them.
std::vector<std::size_t> CharacterStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); i += platform::CharacterLength(text, i)) {
    starts.push_back(i);
  }
  return starts;
}

}  // namespace

TimeText::TimeText(std::int64_t unix_seconds) {
  platform::CivilTime t = platform::ToLocalTime(unix_seconds);
  int written = std::snprintf(text_, sizeof text_, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month,
                              t.day, t.hour, t.minute, t.second);
  length_ = written < 0 ? 0 : static_cast<std::size_t>(written);
}

std::string FolderCaption(std::string_view folder, std::string_view short_suffix) {
  std::vector<std::size_t> starts = CharacterStarts(folder);
  if (starts.size() <= 23) return std::string(folder) + std::string(short_suffix);
  std::string caption(folder.substr(0, starts[10]));
  caption += "･･･";
  caption += folder.substr(starts[starts.size() - 10]);
  caption += platform::Separator();
  return caption;
}

}  // namespace engine
