#pragma once

#include <string>
#include <string_view>

namespace cli {

// Text as a terminal may show it: control characters, which could move the cursor, retitle
// the window or break one line per item into two, become "?". Other bytes, those of names
// that are not UTF-8 included, pass unchanged.
inline std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return shown;
}

// A message box's text for a terminal: each carriage return starts a new line.
inline std::string MessageText(std::string_view text) {
  std::string shown;
  std::size_t start = 0;
  for (;;) {
    std::size_t cr = text.find('\r', start);
    shown += Printable(text.substr(start, cr - start));
    if (cr == std::string_view::npos) return shown;
    shown += '\n';
    start = cr + 1;
  }
}

}  // namespace cli
