#include "archive/c_unlha.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/dynamic_library.h"
#include "platform/vb_error.h"
#include "tests/archive/fake_unlha32.h"

namespace archive {
namespace {

using ::testing::ElementsAre;

class RecordingMessages : public platform::MessageBoxService {
 public:
  int MsgBox(const std::string& text, int flags, const std::string& title) override {
    boxes.push_back(title + "|" + std::to_string(flags) + "|" + text);
    return platform::kAnswerOk;
  }
  std::vector<std::string> boxes;
};

UnlhaMemberInfo Info(const char* path, uint32_t original = 1234567, uint16_t date = 0x28DA,
                     uint16_t time = 0x6054) {
  UnlhaMemberInfo info;
  std::memset(&info, 0, sizeof info);
  info.dwOriginalSize = original;
  info.dwCompressedSize = 1000;
  info.dwCRC = 0x0A0B;
  info.wRatio = 523;
  info.wDate = date;
  info.wTime = time;
  std::strncpy(info.szFileName, path, sizeof info.szFileName - 1);
  std::memcpy(info.szAttribute, "RSHA-xyz", 8);
  std::memcpy(info.szMode, "-lh5-\0\0", 8);
  return info;
}

int ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::VbError& error) {
    return error.number();
  }
  return 0;
}

class CUnLHATest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Status status;
    library_ = platform::DynamicLibrary::Open(FAKE_UNLHA32, &status);
    ASSERT_NE(library_, nullptr) << status.message();
    auto get = reinterpret_cast<FakeUnlhaState* (*)()>(library_->Symbol("FakeUnlhaStatePointer"));
    fake_ = get();
    *fake_ = FakeUnlhaState();
  }

  std::unique_ptr<platform::DynamicLibrary> library_;
  FakeUnlhaState* fake_ = nullptr;
  RecordingMessages messages_;
};

// Every field of member `i` in property order, joined by "|".
std::string Fields(cUnLHA& unlha, std::int16_t i) {
  return unlha.FileName(i) + "|" + unlha.FilePath(i) + "|" + unlha.FileOriginal(i) + "|" +
         unlha.FilePacked(i) + "|" + unlha.FileRatio(i) + "|" + unlha.FileDate(i) + "|" +
         unlha.FileTime(i) + "|" + unlha.FileAttr(i) + "|" + unlha.FileType(i) + "|" +
         unlha.FileCRC(i);
}

TEST_F(CUnLHATest, FormatsEveryFieldWithoutValidatingIt) {
  UnlhaMemberInfo zero = Info("a", 0, 0, 0);
  zero.wRatio = 0;
  zero.dwCRC = 0;
  UnlhaMemberInfo full = Info("b", 0x80000000u, 0xFFFF, 0xFFFF);
  full.wRatio = 1000;
  full.dwCRC = 0x12345;
  UnlhaMemberInfo negative = Info("c");
  negative.wRatio = static_cast<uint16_t>(-5);
  fake_->members = {Info("doc/sub/readme.txt"), zero, full, negative};
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  ASSERT_TRUE(unlha.usable());
  ASSERT_EQ(unlha.SetArcFile("/a.lzh"), 4);
  EXPECT_THAT(fake_->calls, ElementsAre("Open", "FindFirst *.*", "Close"));
  EXPECT_EQ(Fields(unlha, 0),
            "readme.txt|doc\\sub\\|1,234,567|1,000|52.3%|2000/06/26|12:02:40|rsha|-lh5-|0A0B");
  EXPECT_EQ(Fields(unlha, 1), "a|\\|0|1,000|0.0%|1980/00/00|00:00:00|rsha|-lh5-|0000");
  // The record's sizes are unsigned 32-bit; months, hours and seconds are not checked.
  EXPECT_EQ(Fields(unlha, 2),
            "b|\\|2,147,483,648|1,000|100.0%|2107/15/31|31:63:62|rsha|-lh5-|2345");
  std::int16_t last = 3;
  EXPECT_EQ(unlha.FileRatio(last), "-0.5%");
}

// A library that tells a member's details gives it 64-bit sizes and, for header levels 2
// and 3, the stored instant; without them a member has its record's texts only.
TEST_F(CUnLHATest, TakesSizesAndInstantsFromTheDetailWhenTheLibraryHasIt) {
  fake_->members = {Info("big"), Info("level1"), Info("plain", 0xFFFFFFFFu)};
  fake_->details = {{32, 2, 1730613000, 5368709120u, 1234}, {32, 1, 0, 7, 7}};
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  ASSERT_EQ(unlha.SetArcFile("a.lzh"), 3);
  std::int16_t big = 0, level1 = 1, plain = 2;
  EXPECT_EQ(unlha.FileOriginal(big), "5,368,709,120");
  EXPECT_EQ(unlha.FilePacked(big), "1,234");
  EXPECT_EQ(unlha.FileInstant(big), 1730613000);
  EXPECT_EQ(unlha.FileOriginal(level1), "7");
  EXPECT_EQ(unlha.FileInstant(level1), std::nullopt);
  EXPECT_EQ(unlha.FileOriginal(plain), "4,294,967,295");
  EXPECT_EQ(unlha.FileInstant(plain), std::nullopt);
}

TEST_F(CUnLHATest, SplitsStoredPathsWithEitherSeparator) {
  struct Case {
    const char* stored;
    const char* name;
    const char* path;
  };
  const Case cases[] = {
      {"readme.txt", "readme.txt", "\\"},
      {"doc/readme.txt", "readme.txt", "doc\\"},
      {"doc\\sub\\a.txt", "a.txt", "doc\\sub\\"},
      {"doc/", "", "doc\\"},
      {"doc\\sub\\", "", "doc\\sub\\"},
      {"/a.txt", "a.txt", "\\"},
      {"/data/sub/a.txt", "a.txt", "\\data\\sub\\"},
      {"\\", "", "\\"},
      {"c:x\\d:y.txt", "y.txt", "c:x\\"},
  };
  for (const Case& c : cases) fake_->members.push_back(Info(c.stored));
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  ASSERT_EQ(unlha.SetArcFile("x.lzh"), static_cast<int>(std::size(cases)));
  for (std::int16_t i = 0; i < static_cast<std::int16_t>(std::size(cases)); ++i) {
    std::int16_t index = i;
    EXPECT_EQ(unlha.FileName(index), cases[i].name) << cases[i].stored;
    EXPECT_EQ(unlha.FilePath(index), cases[i].path) << cases[i].stored;
  }
}

TEST_F(CUnLHATest, IndexesOutsideTheListingAreSubscriptErrors) {
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  std::int16_t zero = 0, minus = -1, one = 1;
  EXPECT_EQ(ErrorNumberOf([&] { unlha.FileName(zero); }), platform::kSubscriptOutOfRange);

  fake_->members = {Info("a"), Info("b")};
  ASSERT_EQ(unlha.SetArcFile("x.lzh"), 2);
  EXPECT_EQ(ErrorNumberOf([&] { unlha.FileCRC(minus); }), platform::kSubscriptOutOfRange);
  std::int16_t two = 2;
  EXPECT_EQ(ErrorNumberOf([&] { unlha.FileName(two); }), platform::kSubscriptOutOfRange);

  fake_->members.clear();  // an empty archive leaves one empty entry
  EXPECT_EQ(unlha.SetArcFile("empty.lzh"), 0);
  EXPECT_EQ(unlha.FileName(zero), "");
  EXPECT_EQ(ErrorNumberOf([&] { unlha.FileName(one); }), platform::kSubscriptOutOfRange);
}

TEST_F(CUnLHATest, AnArchiveThatCannotBeOpenedIsReportedAndReplacesTheListing) {
  fake_->members = {Info("a"), Info("b")};
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  ASSERT_EQ(unlha.SetArcFile("good.lzh"), 2);
  fake_->open_fails = true;
  fake_->calls.clear();
  EXPECT_EQ(unlha.SetArcFile("/x/bad.lzh"), 0);
  EXPECT_THAT(fake_->calls, ElementsAre("Open"));  // no close for a handle never had
  EXPECT_THAT(messages_.boxes,
              ElementsAre("Grebewick|48|'/x/bad.lzh' のﾊﾝﾄﾞﾙの取得に失敗したのサ\rヽ( ´ー｀)丿ﾌｯ"));
  std::int16_t zero = 0, one = 1;
  EXPECT_EQ(unlha.FileName(zero), "");
  EXPECT_EQ(ErrorNumberOf([&] { unlha.FileName(one); }), platform::kSubscriptOutOfRange);
}

TEST_F(CUnLHATest, MoreThan32767MembersOverflowAfterClosingTheArchive) {
  fake_->members = {Info("same")};
  fake_->generated_members = 32767;
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  EXPECT_EQ(unlha.SetArcFile("full.lzh"), 32767);
  fake_->generated_members = 32768;
  fake_->calls.clear();
  EXPECT_EQ(ErrorNumberOf([&] { unlha.SetArcFile("over.lzh"); }), platform::kOverflow);
  EXPECT_EQ(fake_->calls.back(), "Close");
}

TEST_F(CUnLHATest, CommandsSizeTheirBufferAndKeepStateOnFailure) {
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  fake_->command_result = 0x8018;
  fake_->command_rewrite = "L";
  std::string command = "l x.lzh";
  unlha.SetCommandLine(command);
  EXPECT_EQ(fake_->last_buffer_size, 20800u);
  EXPECT_EQ(command, "L x.lzh");
  EXPECT_EQ(unlha.CommandLine(), "L x.lzh");
  EXPECT_EQ(unlha.OutPut(), "listing");
  EXPECT_EQ(unlha.ReturnCode(), 0x8018);
  EXPECT_EQ(unlha.ErrString(), "Lzhﾌｧｲﾙを開く事が出来ません。");

  unlha.SetMaxFileCount(405);
  unlha.SetCommandLine(command);
  EXPECT_EQ(fake_->last_buffer_size, 32720u);

  fake_->calls.clear();
  fake_->command_result = 0;
  unlha.SetMaxFileCount(406);
  EXPECT_EQ(ErrorNumberOf([&] { unlha.SetCommandLine(command); }), platform::kOverflow);
  unlha.SetMaxFileCount(-5);
  EXPECT_EQ(ErrorNumberOf([&] { unlha.SetCommandLine(command); }), platform::kInvalidArgument);
  EXPECT_TRUE(fake_->calls.empty());  // both failed before the library was called

  unlha.SetMaxFileCount(10);
  fake_->fill_output = true;
  std::string other = "x y";
  EXPECT_EQ(ErrorNumberOf([&] { unlha.SetCommandLine(other); }), platform::kInvalidArgument);
  EXPECT_EQ(unlha.ReturnCode(), 0x8018);
  EXPECT_EQ(unlha.OutPut(), "listing");
}

TEST_F(CUnLHATest, ConfigDialogPadsTheOptionTextAndReturnsItWhenConfirmed) {
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  std::string option = "abc";
  EXPECT_EQ(unlha.ConfigDialog(option, 3), "");
  EXPECT_EQ(option.size(), 257u);
  EXPECT_EQ(option.substr(0, 4), std::string("abc\0", 4));
  EXPECT_EQ(fake_->last_config_mode, 3);

  fake_->config_result = 1;
  fake_->config_text = "-jso";
  EXPECT_EQ(unlha.ConfigDialog(option, 0), "-jso");
  EXPECT_EQ(unlha.ReturnCode(), 1);

  fake_->config_fill = true;
  fake_->config_result = 2;
  EXPECT_EQ(ErrorNumberOf([&] { unlha.ConfigDialog(option, 0); }), platform::kInvalidArgument);
  EXPECT_EQ(unlha.ReturnCode(), 1);
}

TEST_F(CUnLHATest, ChecksWithItsCheckModeAndWidensTheVersion) {
  cUnLHA unlha(FAKE_UNLHA32, messages_);
  EXPECT_EQ(unlha.MaxFileCount(), 256);
  EXPECT_TRUE(unlha.CheckArchive("a.lzh"));
  EXPECT_EQ(fake_->last_check_mode, 4);
  unlha.SetCheckMode(16);
  unlha.CheckArchive("a.lzh");
  EXPECT_EQ(fake_->last_check_mode, 16);
  fake_->version = 0x8000;
  EXPECT_EQ(unlha.Version(), -32768);  // the 16-bit version, sign-extended
}

TEST(ErrorMessageTest, KnownCodesHaveTheirTextAndOthersShowTheirNumber) {
  EXPECT_EQ(ErrorMessage(0), "");
  EXPECT_EQ(ErrorMessage(0x8005), "展開する為のﾃﾞｨｽｸの空きが足りません。");
  EXPECT_EQ(ErrorMessage(0x801C), "ｺﾏﾝﾄﾞ指定が間違っています。");
  EXPECT_EQ(ErrorMessage(0x8025), "作業ﾌｧｲﾙがｵｰﾌﾟﾝできません。");
  EXPECT_EQ(ErrorMessage(0x8021), "未知のｴﾗｰです。&H8021");
  EXPECT_EQ(ErrorMessage(1), "未知のｴﾗｰです。&H1");
  EXPECT_EQ(ErrorMessage(-1), "未知のｴﾗｰです。&HFFFFFFFF");
  EXPECT_EQ(ErrorMessage(0x18005), "未知のｴﾗｰです。&H18005");
}

TEST(UnusableLibraryTest, IsReportedOnceAndReadsNothing) {
  RecordingMessages messages;
  cUnLHA first("/nonexistent/libunlha32.so", messages);
  EXPECT_FALSE(first.usable());
  EXPECT_FALSE(first.CheckArchive("a.lzh"));
  EXPECT_EQ(first.Version(), 0);
  cUnLHA second("/nonexistent/libunlha32.so", messages);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_THAT(messages.boxes[0], ::testing::HasSubstr("/nonexistent/libunlha32.so"));
}

}  // namespace
}  // namespace archive
