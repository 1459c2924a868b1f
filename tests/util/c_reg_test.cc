#include "util/c_reg.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/vb_error.h"
#include "tests/util/test_support.h"

namespace util {
namespace {

using testing::RecordingMessageBox;
using testing::XdgSandbox;

class CRegTest : public ::testing::Test {
 protected:
  XdgSandbox sandbox_;
  RecordingMessageBox messages_;
  cReg reg_{messages_};
};

TEST_F(CRegTest, StringsRoundTripWholeIncludingDoubleByteText) {
  EXPECT_TRUE(reg_.RegSetString(platform::kCurrentUser, "Software\\Grebewick", "Name",
                                "変更されたファイル"));
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "software\\grebewick", "name"),
            "変更されたファイル");
  EXPECT_TRUE(reg_.RegSetString(platform::kCurrentUser, "Software\\Grebewick", "", "default"));
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "Software\\Grebewick", ""), "default");
  EXPECT_TRUE(
      reg_.RegSetString(platform::kCurrentUser, "k", "odd & \"names\", too", "\xff\xfe bytes"));
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "k", "odd & \"names\", too"),
            "\xff\xfe bytes");
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "Software\\Missing", "Name"), "");
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "Software\\Grebewick", "Missing"), "");
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(CRegTest, OnlyPlainStringsThatFitTheBufferAreRead) {
  std::string fits(255, 'a');
  std::string too_long(256, 'b');
  ASSERT_TRUE(reg_.RegSetString(platform::kCurrentUser, "k", "fits", fits));
  ASSERT_TRUE(reg_.RegSetString(platform::kCurrentUser, "k", "long", too_long));
  ASSERT_TRUE(reg_.RegSetString(platform::kCurrentUser, "k", "huge", std::string(100000, 'c')));
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "k", "fits"), fits);
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "k", "long"), "");
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "k", "huge"), "");

  platform::Registry& registry = platform::Registry::Default();
  ASSERT_TRUE(
      registry.SetValue(platform::kCurrentUser, "k", "n", platform::RegistryValue::Number(5)).ok());
  ASSERT_TRUE(registry
                  .SetValue(platform::kCurrentUser, "k", "e",
                            platform::RegistryValue::String("%HOME%", platform::kRegExpandString))
                  .ok());
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "k", "n"), "");
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "k", "e"), "");
}

TEST_F(CRegTest, NamesEndAtANulAndValuesAreReadUpToTheFirstOne) {
  std::string key("Key\0ignored", 11);
  std::string name("Name\0ignored", 12);
  ASSERT_TRUE(reg_.RegSetString(platform::kCurrentUser, key, name, std::string("ab\0cd", 5)));
  EXPECT_EQ(reg_.RegGetString(platform::kCurrentUser, "Key", "Name"), "ab");
}

TEST_F(CRegTest, RegistryRefusalsAreFalseWithoutAMessage) {
  EXPECT_FALSE(reg_.RegSetString(0x12345678u, "k", "v", "x"));
  EXPECT_FALSE(reg_.RegSetString(platform::kCurrentUser, "a\\\\b", "v", "x"));
  EXPECT_EQ(reg_.RegGetString(0x12345678u, "k", "v"), "");
  testing::WriteFile(sandbox_.store(), "not a store", 0600);
  EXPECT_FALSE(reg_.RegSetString(platform::kCurrentUser, "k", "v", "x"));
  EXPECT_EQ(testing::ReadFile(sandbox_.store()), "not a store");
  EXPECT_TRUE(messages_.shown.empty());
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

TEST_F(CRegTest, UnexpectedFailuresAreShownAsErrorMessages) {
  ThrowingRegistry registry;
  cReg reg(messages_, registry);
  EXPECT_FALSE(reg.RegSetString(platform::kCurrentUser, "k", "v", "x"));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "ERROR #70 : write(store): Permission denied");
  EXPECT_EQ(messages_.shown[0].flags, platform::kOkOnly);
  EXPECT_EQ(messages_.shown[0].title, "Grebewick");
  EXPECT_EQ(reg.RegGetString(platform::kCurrentUser, "k", "v"), "");  // never fails

  cReg silent(registry);  // nobody to tell: the caller gets the error
  EXPECT_THROW(silent.RegSetString(platform::kCurrentUser, "k", "v", "x"), platform::VbError);
}

}  // namespace
}  // namespace util
