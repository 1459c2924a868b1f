#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace cli {

inline std::string Printable(std::string_view text) { return platform::PrintableText(text); }

// How the records of standard output (--dry-run, --list-archive) are written: one line
// each, fields separated by TAB, with control characters shown as "?"; or with -0 every
// field byte for byte and ended by NUL, so that a name holding a line break, a TAB or bytes
// of any kind comes through whole and a record is a fixed number of fields.
struct RecordFormat {
  bool null_terminated = false;

  std::string Record(std::initializer_list<std::string_view> fields) const {
    std::string record;
    for (std::string_view field : fields) {
      if (null_terminated) {
        record.append(field);
        record.push_back('\0');
      } else {
        record += Printable(field);
        record.push_back('\t');
      }
    }
    if (!null_terminated && !record.empty()) record.back() = '\n';
    return record;
  }
};

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
