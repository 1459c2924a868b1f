#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The entries a job leaves out of its source walk and its listings, written as .gitignore
// patterns are:
//
//   *.tmp          no slash: a name at any depth ("*" and "?" never cross a "/")
//   build/         a trailing "/": folders only (and so everything inside them)
//   /notes.txt     a slash at the start or inside: anchored at the source folder
//   docs/*.bak     anchored too: only directly in docs/
//   **/cache       "**/" any folders, none included; "/**" everything inside; "a/**/b"
//   !keep.tmp      re-includes what an earlier pattern left out; the last match decides
//   [abc] [!a-z]   one character of (not of) a set;  \! \# \* a character as itself
//
// Blank lines and lines starting with "#" are no patterns; trailing blanks are dropped. An
// entry inside a folder that is left out stays out whatever follows, since the walk never
// enters that folder. Paths are relative to the source folder, with "/" between names.
class ExcludeRules {
 public:
  // Names compare as the platform compares them: where case does not count (Windows),
  // "*.TMP" leaves out "a.tmp".
  explicit ExcludeRules(bool case_sensitive = true) : case_sensitive_(case_sensitive) {}

  // Adds one pattern, as one --exclude gives it or one line of a file.
  void Add(std::string_view pattern);
  // Adds every line of `text` (an --exclude-from file).
  void AddLines(std::string_view text);

  bool empty() const { return rules_.empty(); }

  // Whether the entry at `path` (relative to the source folder) is left out.
  bool Excludes(std::string_view path, bool is_folder) const;

 private:
  struct Rule {
    std::string glob;
    bool negated = false;
    bool folders_only = false;
    bool anchored = false;  // matched against the whole path, else against the last name
  };

  bool case_sensitive_;
  std::vector<Rule> rules_;
};

// `path` as the rules see it: relative to `root` (a folder above it, as the walk names
// both), "/" between names whatever the platform's `separator`; "" for the root itself.
std::string PathBelow(std::string_view root, std::string_view path, char separator);

// `folder` (as PathBelow gives it) and `name` joined.
std::string PathOfEntry(std::string_view folder, std::string_view name);

// Whether `text` matches the glob `pattern` ("*", "?", "[...]", "**", "\" escapes); "/"
// is matched only by itself and by "**".
bool GlobMatches(std::string_view pattern, std::string_view text);

}  // namespace engine
