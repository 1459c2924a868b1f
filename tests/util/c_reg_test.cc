#include "util/c_reg.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/vb_error.h"
#include "tests/support/scripted_host.h"
#include "tests/util/xdg_sandbox.h"

namespace util {
namespace {

using platform::kCurrentUser;

class CRegTest : public ::testing::Test {
 protected:
  util::testing::XdgSandbox sandbox_;
  testing_support::ScriptedHost messages_;
  cReg reg_{messages_};
};

TEST_F(CRegTest, StringsRoundTripWholeIncludingDoubleByteText) {
  EXPECT_TRUE(reg_.RegSetString(kCurrentUser, "Software\\Grebewick", "Name", "変更されたファイル"));
  EXPECT_EQ(reg_.RegGetString(kCurrentUser, "software\\grebewick", "name"), "変更されたファイル");
  EXPECT_EQ(reg_.RegGetString(platform::kLocalMachine, "Software\\Grebewick", "Name"), "");
  EXPECT_TRUE(reg_.RegSetString(kCurrentUser, "Software\\Grebewick", "", "default"));
  EXPECT_EQ(reg_.RegGetString(kCurrentUser, "Software\\Grebewick", ""), "default");
  EXPECT_EQ(reg_.RegGetString(kCurrentUser, "Software\\Missing", "Name"), "");
  EXPECT_EQ(reg_.RegGetString(kCurrentUser, "Software\\Grebewick", "Missing"), "");
  // Names end at a NUL; values are read up to the first one.
  ASSERT_TRUE(reg_.RegSetString(kCurrentUser, std::string("Key\0ignored", 11),
                                std::string("Name\0ignored", 12), std::string("ab\0cd", 5)));
  EXPECT_EQ(reg_.RegGetString(kCurrentUser, "Key", "Name"), "ab");
}

TEST_F(CRegTest, OnlyPlainStringsThatFitTheBufferAreRead) {
  ASSERT_TRUE(reg_.RegSetString(kCurrentUser, "k", "fits", std::string(255, 'a')));
  ASSERT_TRUE(reg_.RegSetString(kCurrentUser, "k", "long", std::string(256, 'b')));
  platform::Registry& registry = platform::Registry::Default();
  const auto expand = platform::RegistryValue::String("%HOME%", platform::kRegExpandString);
  ASSERT_TRUE(registry.SetValue(kCurrentUser, "k", "n", platform::RegistryValue::Number(5)).ok());
  ASSERT_TRUE(registry.SetValue(kCurrentUser, "k", "e", expand).ok());
  EXPECT_EQ(reg_.RegGetString(kCurrentUser, "k", "fits"), std::string(255, 'a'));
  for (const char* unread : {"long", "n", "e"}) {
    EXPECT_EQ(reg_.RegGetString(kCurrentUser, "k", unread), "") << unread;
  }
}

// A registry that fails in a way no registry status describes.
class ThrowingRegistry : public platform::RegistryWrapper {
 public:
  ThrowingRegistry() : RegistryWrapper(platform::Registry::Default()) {}
  platform::Status SetValue(std::uint32_t, std::string_view, std::string_view,
                            const platform::RegistryValue&) override {
    throw platform::VbError(platform::kPermissionDenied, "write(store): Permission denied");
  }
  platform::Status QueryValue(std::uint32_t, std::string_view, std::string_view,
                              platform::RegistryValue*) override {
    throw std::bad_alloc();
  }
};

TEST_F(CRegTest, RefusalsAreFalseSilentlyAndOnlyUnexpectedFailuresAreShown) {
  EXPECT_FALSE(reg_.RegSetString(0x12345678u, "k", "v", "x"));
  EXPECT_FALSE(reg_.RegSetString(kCurrentUser, "a\\\\b", "v", "x"));
  EXPECT_EQ(reg_.RegGetString(0x12345678u, "k", "v"), "");
  EXPECT_TRUE(messages_.boxes.empty());

  ThrowingRegistry registry;
  cReg reg(messages_, registry);
  EXPECT_FALSE(reg.RegSetString(kCurrentUser, "k", "v", "x"));
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0].text, "ERROR #70 : write(store): Permission denied");
  EXPECT_EQ(messages_.boxes[0].flags, platform::kOkOnly);
  EXPECT_EQ(messages_.boxes[0].title, "Grebewick");
  EXPECT_EQ(reg.RegGetString(kCurrentUser, "k", "v"), "");  // never fails
  cReg silent(registry);  // nobody to tell: the caller gets the error
  EXPECT_THROW(silent.RegSetString(kCurrentUser, "k", "v", "x"), platform::VbError);
}

}  // namespace
}  // namespace util
