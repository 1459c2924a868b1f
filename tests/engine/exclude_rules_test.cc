// The exclusion patterns, as people know them from .gitignore.

#include "engine/exclude_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace engine {
namespace {

TEST(GlobMatchesTest, WildcardsStayWithinOneNameExceptDoubleStars) {
  const std::tuple<std::string, std::string, bool> rows[] = {
      {"*.tmp", "a.tmp", true},
      {"*.tmp", ".tmp", true},
      {"*.tmp", "a.tmp.gz", false},
      {"*.tmp", "dir/a.tmp", false},  // "*" never crosses a "/"
      {"a?c", "abc", true},
      {"a?c", "a/c", false},
      {"[abc]x", "bx", true},
      {"[!abc]x", "bx", false},
      {"[a-c]x", "dx", false},
      {"[a-c]x", "cx", true},
      {"[x", "[x", true},  // no closing "]": a character as itself
      {"\\*x", "*x", true},
      {"\\*x", "ax", false},
      {"**/cache", "cache", true},
      {"**/cache", "a/b/cache", true},
      {"**/cache", "a/bcache", false},
      {"a/**/b", "a/b", true},
      {"a/**/b", "a/x/y/b", true},
      {"a/**/b", "a/xb", false},
      {"a/**", "a/x/y", true},
      {"a/**", "a", false},
      {"**", "anything/at/all", true},
      {"", "", true},
      {"", "x", false},
  };
  for (const auto& [pattern, text, expected] : rows) {
    EXPECT_EQ(GlobMatches(pattern, text), expected) << pattern << " / " << text;
  }
}

struct Entry {
  std::string path;
  bool folder;
  bool excluded;
};

void ExpectEntries(const ExcludeRules& rules, std::initializer_list<Entry> entries) {
  for (const Entry& entry : entries) {
    EXPECT_EQ(rules.Excludes(entry.path, entry.folder), entry.excluded)
        << entry.path << (entry.folder ? "/" : "");
  }
}

TEST(ExcludeRulesTest, ANameWithoutASlashMatchesAtAnyDepth) {
  ExcludeRules rules;
  rules.Add("*.o");
  rules.Add("Thumbs.db");
  ExpectEntries(rules, {{"main.o", false, true},
                        {"src/deep/lib.o", false, true},
                        {"src/Thumbs.db", false, true},
                        {"src/thumbs.db", false, false},  // case counts here
                        {"main.c", false, false},
                        {"objects.o/readme", false, false}});  // only the last name
}

TEST(ExcludeRulesTest, ASlashAnchorsAtTheSourceFolder) {
  ExcludeRules rules;
  rules.Add("/todo.txt");
  rules.Add("docs/*.bak");
  ExpectEntries(rules, {{"todo.txt", false, true},
                        {"sub/todo.txt", false, false},
                        {"docs/a.bak", false, true},
                        {"docs/old/a.bak", false, false},
                        {"x/docs/a.bak", false, false}});
}

TEST(ExcludeRulesTest, ATrailingSlashMatchesFoldersOnly) {
  ExcludeRules rules;
  rules.AddLines("node_modules/\n.cache/\nbuild/out/\n");
  ExpectEntries(rules, {{"node_modules", true, true},
                        {"web/app/node_modules", true, true},
                        {"node_modules", false, false},  // a file of that name stays
                        {".cache", true, true},
                        {"build/out", true, true},
                        {"x/build/out", true, false}});
}

TEST(ExcludeRulesTest, DoubleStarsCrossFolders) {
  ExcludeRules rules;
  rules.Add("**/logs/*.log");
  rules.Add("vm/**");
  ExpectEntries(rules, {{"logs/a.log", false, true},
                        {"srv/app/logs/a.log", false, true},
                        {"srv/app/logs/old/a.log", false, false},
                        {"vm/disk.img", false, true},
                        {"vm/snapshots/1", true, true},
                        {"vm", true, false}});
}

TEST(ExcludeRulesTest, TheLastMatchingPatternDecidesAndBangReincludes) {
  ExcludeRules rules;
  rules.AddLines(
      "# build products\n"
      "*.tmp\n"
      "!keep.tmp\n"
      "\n"
      "\\#literal\n"
      "\\!bang\n"
      "trailing.txt   \n");
  ExpectEntries(rules, {{"a.tmp", false, true},
                        {"sub/keep.tmp", false, false},
                        {"#literal", false, true},
                        {"!bang", false, true},
                        {"# build products", false, false},
                        {"trailing.txt", false, true}});
  rules.Add("keep.tmp");  // later than the "!": out again
  EXPECT_TRUE(rules.Excludes("keep.tmp", false));
  EXPECT_TRUE(ExcludeRules().empty());
  ExcludeRules comments;
  comments.AddLines("# nothing\n\n   \n/\n!\n");
  EXPECT_TRUE(comments.empty());
}

TEST(ExcludeRulesTest, WhereCaseDoesNotCountNeitherDoPatterns) {
  ExcludeRules rules(false);
  rules.Add("*.TMP");
  rules.Add("Cache/");
  ExpectEntries(rules,
                {{"A.tmp", false, true}, {"SUB/CACHE", true, true}, {"cache", false, false}});
}

}  // namespace
}  // namespace engine
