#include "engine/run_text.h"

#include <cstdio>
#include <vector>

#include "platform/clock.h"
#include "platform/path_rules.h"

namespace engine {
namespace {

// Offsets of the characters of UTF-8 text; a byte that starts no valid sequence counts as a
// character of its own, so names that are not UTF-8 are shortened without losing bytes.
std::vector<std::size_t> CharacterStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  std::size_t i = 0;
  while (i < text.size()) {
    starts.push_back(i);
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80             ? 1
                         : (lead & 0xE0) == 0xC0 ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                         : (lead & 0xF8) == 0xF0 ? 4
                                                 : 1;
    if (i + length > text.size()) length = 1;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        length = 1;
        break;
      }
    }
    i += length;
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
