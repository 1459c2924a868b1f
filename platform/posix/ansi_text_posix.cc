#include "platform/ansi_text.h"
#include "platform/text.h"

namespace platform {

std::string AnsiToUtf8(std::string_view ansi) { return std::string(ansi); }

std::string Utf8ToAnsi(std::string_view utf8, bool* exact) {
  if (exact != nullptr) *exact = true;
  return std::string(utf8);
}

std::string AnsiPath(const std::string& utf8_path) { return utf8_path; }

std::size_t FitAnsi(std::string_view ansi, std::size_t max_bytes) {
  std::size_t end = 0;
  while (end < ansi.size()) {
    std::size_t next = end + CharacterLength(ansi, end);
    if (next > max_bytes) break;
    end = next;
  }
  return end;
}

}  // namespace platform
