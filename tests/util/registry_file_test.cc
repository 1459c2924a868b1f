#include "platform/posix/registry_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::posix {
namespace {

std::vector<std::string> Split(std::string_view path) {
  std::vector<std::string> names;
  EXPECT_TRUE(SplitKeyPath(path, &names).ok()) << path;
  return names;
}

TEST(RegistryFileTest, KeyPathsSplitAtBackslashAndRefuseEmptyNames) {
  EXPECT_EQ(Split(""), std::vector<std::string>{});
  EXPECT_EQ(Split("Software\\a b\\c/d"), (std::vector<std::string>{"Software", "a b", "c/d"}));
  std::vector<std::string> names;
  for (std::string_view bad : {"\\a", "a\\", "a\\\\b", "\\"}) {
    EXPECT_EQ(SplitKeyPath(bad, &names).code(), kInvalidArgument) << bad;
  }
  EXPECT_EQ(SplitKeyPath(std::string_view("a\0b", 3), &names).code(), kInvalidArgument);
}

TEST(RegistryFileTest, EveryNameAndValueSurvivesTheTextForm) {
  const std::string awkward[] = {"",       "with \"quotes\" and \\x41", "line\nbreak\r\ttab",
                                 "日本語", "\xff\xfe not utf-8",        std::string(40000, 'L')};
  RegistryTree tree;
  for (const std::string& text : awkward) {
    tree.Set(kClassesRoot, {"k"}, text, RegistryValue::String(text));
  }
  tree.Set(kUsers, {"raw"}, "nul", RegistryValue{12, std::string("nul\0in", 7)});
  tree.Set(kLocalMachine, {"numbers"}, "n", RegistryValue::Number(0xFFFFFFF1u));
  tree.Set(kCurrentConfig, {"expand"}, "", RegistryValue::String("%HOME%", kRegExpandString));

  RegistryTree parsed;
  ASSERT_TRUE(RegistryTree::Parse(tree.Serialize(), &parsed).ok());
  EXPECT_EQ(parsed.Serialize(), tree.Serialize());
  for (const std::string& text : awkward) {
    ASSERT_NE(parsed.Find(kClassesRoot, {"k"}, text), nullptr) << text;
    EXPECT_EQ(parsed.Find(kClassesRoot, {"k"}, text)->data, text);
  }
  const RegistryValue* raw = parsed.Find(kUsers, {"raw"}, "nul");
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->type, 12u);
  EXPECT_EQ(raw->data, std::string("nul\0in", 7));
  EXPECT_EQ(parsed.Find(kLocalMachine, {"numbers"}, "n")->AsNumber(), 0xFFFFFFF1u);
  EXPECT_EQ(parsed.Find(kCurrentConfig, {"expand"}, "")->type, kRegExpandString);
}

TEST(RegistryFileTest, AnythingButAWholeWellFormedStoreIsRefused) {
  RegistryTree good;
  good.Set(kCurrentUser, Split("Software\\X"), "v", RegistryValue::String("text"));
  good.Set(kCurrentUser, Split("Software\\X"), "n", RegistryValue::Number(7));
  std::string text = good.Serialize();
  const std::string key = "grebewick-registry 1\nkey HKEY_CURRENT_USER\n";
  const std::string corrupt[] = {
      text.substr(0, text.size() - 4),                            // cut before "end"
      text.substr(0, text.find("\"text\"") + 3),                  // cut inside a value
      "grebewick-registry 2\nend\n",                              // a later version
      "something else\n",                                         // not ours
      text + "value \"late\" sz \"x\"\n",                         // after the end line
      "grebewick-registry 1\nvalue \"v\" sz \"x\"\nend\n",        // value without a key
      "grebewick-registry 1\nkey HKEY_NOWHERE\nend\n",            // unknown root
      "grebewick-registry 1\nkey HKEY_CURRENT_USER \"\"\nend\n",  // empty key name
      key + "value \"v\" dword 4294967296\nend\n",
      key + "value \"v\" sz \"\\q\"\nend\n",
      key + "value \"v\" sz \"x\" extra\nend\n",
      key + "value \"v\" sz \"a\"\nvalue \"V\" sz \"b\"\nend\n",  // the same value twice
  };
  for (const std::string& bad : corrupt) {
    RegistryTree tree;
    tree.Set(kUsers, {}, "stale", RegistryValue::String("x"));
    Status status = RegistryTree::Parse(bad, &tree);
    EXPECT_EQ(status.code(), kInvalidArgument) << bad;
    EXPECT_NE(status.message().find("line"), std::string::npos) << status.message();
    EXPECT_EQ(tree.Find(kUsers, {}, "stale"), nullptr) << "left over after a failed parse";
  }
  // An empty file is an empty store.
  EXPECT_TRUE(RegistryTree::Parse("", &good).ok());
  EXPECT_TRUE(RegistryTree::Parse("\n\n", &good).ok());
  EXPECT_EQ(good.Find(kCurrentUser, Split("Software\\X"), "v"), nullptr);
}

}  // namespace
}  // namespace platform::posix
