#include "engine/exclude_rules.h"

#include <algorithm>

namespace engine {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = Lower(c);
  return lowered;
}

// A "[...]" set at the start of `pattern`: whether `c` is in it, and the set's length.
// Returns false when the set has no closing "]" (the "[" is then a character of its own).
bool MatchSet(std::string_view pattern, char c, bool* matched, std::size_t* length) {
  std::size_t i = 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  bool in = false;
  for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
    char low = pattern[i];
    if (low == '\\' && i + 1 < pattern.size()) low = pattern[++i];
    char high = low;
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      high = pattern[i + 2];
      if (high == '\\' && i + 3 < pattern.size()) high = pattern[++i + 2];
      i += 2;
    }
    in = in || (c >= low && c <= high);
    ++i;
  }
  if (i >= pattern.size()) return false;
  *matched = in != negated;
  *length = i + 1;
  return true;
}

}  // namespace

std::string PathBelow(std::string_view root, std::string_view path, char separator) {
  path.remove_prefix(std::min(root.size(), path.size()));
  while (!path.empty() && (path.front() == separator || path.front() == '/')) {
    path.remove_prefix(1);
  }
  std::string below(path);
  for (char& c : below) {
    if (c == separator) c = '/';
  }
  return below;
}

std::string PathOfEntry(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty()) path.push_back('/');
  path.append(name);
  return path;
}

bool GlobMatches(std::string_view pattern, std::string_view text) {
  while (!pattern.empty()) {
    if (pattern.starts_with("**/")) {
      // Any number of whole folders, none included.
      for (std::size_t i = 0;; ++i) {
        if ((i == 0 || text[i - 1] == '/') && GlobMatches(pattern.substr(3), text.substr(i))) {
          return true;
        }
        if (i == text.size()) return false;
      }
    }
    if (pattern.starts_with("**")) {
      for (std::size_t i = 0; i <= text.size(); ++i) {
        if (GlobMatches(pattern.substr(2), text.substr(i))) return true;
      }
      return false;
    }
    switch (pattern.front()) {
      case '*':
        for (std::size_t i = 0;; ++i) {
          if (GlobMatches(pattern.substr(1), text.substr(i))) return true;
          if (i == text.size() || text[i] == '/') return false;
        }
      case '?':
        if (text.empty() || text.front() == '/') return false;
        break;
      case '[': {
        bool matched = false;
        std::size_t length = 0;
        if (!text.empty() && text.front() != '/' &&
            MatchSet(pattern, text.front(), &matched, &length)) {
          if (!matched) return false;
          pattern.remove_prefix(length);
          text.remove_prefix(1);
          continue;
        }
        if (text.empty() || text.front() != '[') return false;
        break;
      }
      case '\\':
        if (pattern.size() > 1) pattern.remove_prefix(1);
        [[fallthrough]];
      default:
        if (text.empty() || text.front() != pattern.front()) return false;
    }
    pattern.remove_prefix(1);
    text.remove_prefix(1);
  }
  return text.empty();
}

void ExcludeRules::Add(std::string_view pattern) {
  // Trailing blanks go unless escaped; a line that starts with "#" is a comment.
  while (!pattern.empty() &&
         (pattern.back() == ' ' || pattern.back() == '\t' || pattern.back() == '\r')) {
    if (pattern.size() >= 2 && pattern[pattern.size() - 2] == '\\') break;
    pattern.remove_suffix(1);
  }
  if (pattern.empty() || pattern.front() == '#') return;
  Rule rule;
  if (pattern.front() == '!') {
    rule.negated = true;
    pattern.remove_prefix(1);
  } else if (pattern.starts_with("\\!") || pattern.starts_with("\\#")) {
    pattern.remove_prefix(1);
  }
  if (!pattern.empty() && pattern.back() == '/') {
    rule.folders_only = true;
    pattern.remove_suffix(1);
  }
  rule.anchored = pattern.find('/') != std::string_view::npos;
  if (pattern.starts_with("/")) pattern.remove_prefix(1);
  if (pattern.empty()) return;
  rule.glob = case_sensitive_ ? std::string(pattern) : Lowered(pattern);
  rules_.push_back(std::move(rule));
}

void ExcludeRules::AddLines(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    Add(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

bool ExcludeRules::Excludes(std::string_view path, bool is_folder) const {
  if (rules_.empty()) return false;
  const std::string compared = case_sensitive_ ? std::string(path) : Lowered(path);
  const std::size_t slash = compared.rfind('/');
  const std::string_view name =
      std::string_view(compared).substr(slash == std::string::npos ? 0 : slash + 1);
  // The last pattern that matches decides.
  for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
    if (rule->folders_only && !is_folder) continue;
    if (GlobMatches(rule->glob, rule->anchored ? std::string_view(compared) : name)) {
      return !rule->negated;
    }
  }
  return false;
}

}  // namespace engine
