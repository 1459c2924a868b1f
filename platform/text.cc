#include "platform/text.h"

#include "platform/path_rules.h"

namespace platform {
namespace {

// Greedy matching with one backtrack point (the last "*"): linear in practice and without
// recursion, so a long pattern cannot exhaust the stack.
bool Match(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLength(name, n);
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      mark += CharacterLength(name, mark);
      n = mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t* code) {
  auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    *code = lead;
    return 1;
  }
  std::size_t length;
  std::uint32_t min;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, *code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, *code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, *code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    *code = (*code << 6) | (next & 0x3F);
  }
  if (*code < min || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  std::uint32_t code;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = DecodeUtf8(text, i, &code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::size_t CharacterLength(std::string_view text, std::size_t i) {
  std::uint32_t code;
  std::size_t length = DecodeUtf8(text, i, &code);
  return length == 0 ? 1 : length;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string PrintableText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code;
    std::size_t length = DecodeUtf8(text, i, &code);
    if (length == 0) {
      shown.push_back(text[i++]);  // not UTF-8: passes as it is
      continue;
    }
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
      shown.push_back('?');
    } else {
      shown.append(text.substr(i, length));
    }
    i += length;
  }
  return shown;
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (pattern == "*" || pattern == "*.*") return true;
  std::string folded_pattern;
  std::string folded_name;
  if (!NamesAreCaseSensitive()) {
    folded_pattern = UpperCase(pattern);
    folded_name = UpperCase(name);
    pattern = folded_pattern;
    name = folded_name;
  }
  if (Match(pattern, name)) return true;
  return pattern.ends_with(".*") && name.find('.') == std::string_view::npos &&
         Match(pattern.substr(0, pattern.size() - 2), name);
}

}  // namespace platform
