#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace cli {

inline std::string Printable(std::string_view text) { return platform::PrintableText(text); }

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
