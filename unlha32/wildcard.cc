#include "unlha32/wildcard.h"

#include <string>

namespace unlha32 {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length of the UTF-8 character at `at` (1 for a stray byte).
std::size_t CharLength(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && IsContinuation(text[end])) ++end;
  return end - at;
}

}  // namespace

bool MatchesWildcard(std::string_view pattern_in, std::string_view path) {
  std::string pattern(pattern_in);
  for (char& c : pattern) {
    if (c == '/') c = '\\';
  }
  if (pattern.size() >= 3 && pattern.compare(pattern.size() - 3, 3, "*.*") == 0 &&
      (pattern.size() == 3 || pattern[pattern.size() - 4] == '\\')) {
    pattern.resize(pattern.size() - 2);
  }
  if (pattern.empty()) return true;

  // Greedy matching with one backtrack point: linear in practice, never recursive.
  std::size_t p = 0, s = 0;
  std::size_t star = std::string::npos, star_s = 0;
  while (s < path.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_s = s;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      s += CharLength(path, s);
    } else if (p < pattern.size() && Fold(pattern[p]) == Fold(path[s])) {
      ++p;
      ++s;
    } else if (star != std::string::npos) {
      p = star + 1;
      star_s += CharLength(path, star_s);
      s = star_s;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool MatchesAnyWildcard(const std::vector<std::string>& patterns, std::string_view path) {
  if (patterns.empty()) return true;
  for (const std::string& pattern : patterns) {
    if (MatchesWildcard(pattern, path)) return true;
  }
  return false;
}

}  // namespace unlha32
