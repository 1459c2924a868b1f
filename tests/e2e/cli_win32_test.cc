// grebewick-cli.exe on drive D: (under Wine, a temporary folder): the copies land below
// DEST\yyyymmdd\<source folder without its drive>, upper-cased as the rules say; attributes
// set with the system's own attrib decide what is listed; network and rootless
// destinations are refused; archives are tested and extracted through UnLHA32.DLL.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "header_builder.h"
#include "platform/file_system.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/windows_helpers.h"

namespace {

using ::testing::HasSubstr;
using testing_support::Exists;
using testing_support::FilesBelow;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;

class CliWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::EntryInfo drive;
    if (!platform::FileSystem::Default().Probe("D:\\", &drive).ok() ||
        drive.kind != platform::EntryKind::kFolder) {
      GTEST_SKIP() << "no drive D: (tests/wine/run maps one): skipped";
    }
    static int count = 0;
    root_ =
        "D:\\E2E-" + std::to_string(testing_support::ProcessId()) + "-" + std::to_string(++count);
    testing_support::MakeFolders(root_);
  }
  void TearDown() override {
    if (root_.empty()) return;
    RunProgram({"C:\\windows\\system32\\cmd.exe", "/c", "rd", "/s", "/q", root_});
    // A link of the host, or a name the system takes for a device, can stop that.
    if (testing_support::Exists(root_)) testing_support::RemoveThroughHost(root_);
  }
  std::string At(const std::string& relative) const { return root_ + "\\" + relative; }
  ProgramResult Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), GREBEWICK_CLI);
    return RunProgram(arguments);
  }
  void Attrib(const char* flag, const std::string& path) {
    EXPECT_EQ(RunProgram({"C:\\windows\\system32\\attrib.exe", flag, path}).exit_status, 0);
  }

  std::string root_;
};

TEST_F(CliWin32Test, CopiesBelowTheDateFolderWithoutTheDriveInUpperCase) {
  WriteFile(At("文書\\new.txt"), "new", kT);
  WriteFile(At("文書\\Sub\\changed.txt"), "changed", kT + 60);
  WriteFile(At("old\\Sub\\changed.txt"), "old", kT);
  WriteFile(At("文書\\Sub\\Deep\\d.txt"), "deep", kT);
  WriteFile(At("文書\\hidden.txt"), "h", kT);
  WriteFile(At("文書\\system.txt"), "s", kT);
  testing_support::MakeFolders(At("文書\\HiddenFolder"));
  WriteFile(At("文書\\HiddenFolder\\inside.txt"), "i", kT);
  Attrib("+h", At("文書\\hidden.txt"));
  Attrib("+s", At("文書\\system.txt"));
  Attrib("+h", At("文書\\HiddenFolder"));
  const std::vector<std::string> job = {"--dest",   At("backup"), "--mkpath",
                                        "--source", At("文書"),   "--compare",
                                        At("old"),  "--date",     "20001231"};

  std::vector<std::string> dry_job = job;
  dry_job.push_back("--dry-run");
  ProgramResult dry = Cli(dry_job);
  EXPECT_EQ(dry.exit_status, 0) << dry.err;
  const std::string source = root_.substr(2) + "\\文書";  // D: dropped; upper-cased below
  const std::string out = At("backup\\20001231") + source;
  EXPECT_THAT(dry.out,
              HasSubstr(root_ + "\\文書\\Sub\\CHANGED.TXT\t" + out + "\\Sub\\CHANGED.TXT\n"));
  EXPECT_THAT(dry.out,
              HasSubstr(root_ + "\\文書\\SUB\\DEEP\\d.txt\t" + out + "\\SUB\\DEEP\\d.txt\n"));
  EXPECT_THAT(dry.out, HasSubstr(root_ + "\\文書\\new.txt\t" + out + "\\new.txt\n"));
  EXPECT_FALSE(Exists(At("backup")));

  ProgramResult run = Cli(job);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  // Sub is made first, in its listed case; SUB\DEEP then names the same folder.
  EXPECT_EQ(FilesBelow(At("backup\\20001231") + source),
            (std::vector<std::string>{"Sub/CHANGED.TXT", "Sub/DEEP/d.txt", "new.txt"}));
  EXPECT_EQ(testing_support::ReadFile(out + "\\Sub\\changed.txt"), "changed");
  EXPECT_THAT(run.err, HasSubstr("3 of 3 files copied to " + At("backup\\20001231")));
}

TEST_F(CliWin32Test, NetworkAndRootlessDestinationsAreRefused) {
  WriteFile(At("src\\f.txt"), "f", kT);
  struct Row {
    const char* dest;
    const char* message;
  };
  const std::string rootless = "\\grebewick-e2e-" + std::to_string(testing_support::ProcessId());
  for (const Row& row :
       {Row{"\\\\server\\share\\backup",
            "おしらせ: このバージョンではネットワーク対応しておりません。\nm(_!_)m"},
        Row{rootless.c_str(), "フォルダ指定エラー: コピー先の指定が間違っています。"}}) {
    ProgramResult run = Cli({"--dest", row.dest, "--source", At("src")});
    EXPECT_EQ(run.exit_status, 3) << row.dest << run.err;
    EXPECT_THAT(run.err, HasSubstr(row.message)) << row.dest;
  }
  EXPECT_FALSE(Exists(rootless));
}

// What the destination cannot take fails that copy, or the run, with the reason; nothing is
// written through a link in the destination tree, nor under a name Windows reserves.
TEST_F(CliWin32Test, LinksAndReservedNamesInTheDestinationAreRefused) {
  WriteFile(At("src\\ok.txt"), "ok", kT);
  // A name the source's file system holds but Windows reserves for a device, made through
  // the prefixed form that bypasses the device names.
  WriteFile("\\\\?\\" + At("src\\aux.txt"), "device", kT);
  const std::vector<std::string> job = {"--dest",  At("backup"), "--mkpath", "--source",
                                        At("src"), "--date",     "20001231", "--yes"};
  ProgramResult run = Cli(job);
  EXPECT_EQ(run.exit_status, 1) << run.err;
  EXPECT_THAT(run.err, HasSubstr("Windows reserves it for the device aux"));
  const std::string out = At("backup\\20001231") + root_.substr(2) + "\\SRC";
  EXPECT_EQ(FilesBelow(out), std::vector<std::string>{"ok.txt"});

  // The next day's folder of the source's copy is a link to somewhere else.
  testing_support::MakeFolders(At("elsewhere"));
  testing_support::MakeFolders(At("backup\\20010101") + root_.substr(2));
  if (!testing_support::MakeFolderLink(At("backup\\20010101") + root_.substr(2) + "\\SRC",
                                       At("elsewhere"))) {
    GTEST_SKIP() << "this system makes neither junctions nor links";
  }
  std::vector<std::string> next = job;
  next[6] = "20010101";
  run = Cli(next);
  EXPECT_EQ(run.exit_status, 3) << run.err;
  EXPECT_THAT(run.err, HasSubstr("フォルダ作成エラー"));
  EXPECT_THAT(run.err, HasSubstr("nothing is written through links"));
  EXPECT_EQ(FilesBelow(At("elsewhere")), std::vector<std::string>{});
}

// Names cross the library's interface in the system's code page (932 here), in the archive's
// path and in the members' names; a damaged member is named and leaves no file; a file there
// already is not replaced.
TEST_F(CliWin32Test, ArchivesAreTestedAndExtractedThroughTheLibrary) {
  auto stored = [](std::string name, const std::string& content) {
    return unlha32::test::HeaderBuilder{
        .level = 2,
        .method = "-lh0-",
        .data = content,
        .original = static_cast<std::uint32_t>(content.size()),
        .stamp = static_cast<std::uint32_t>(kT),
        .name = std::move(name),
        .data_crc = unlha32::Crc16(
            std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()))};
  };
  unlha32::test::HeaderBuilder damaged = stored("b.txt", "bravo");
  damaged.data_crc ^= 1;
  const unlha32::test::Bytes bytes =
      unlha32::test::Archive({stored("文書\\a.txt", "alpha").Build(), damaged.Build()});
  WriteFile(At("書庫\\old.lzh"), std::string(bytes.begin(), bytes.end()));

  ProgramResult test = Cli({"--test-archive", At("書庫\\old.lzh")});
  EXPECT_EQ(test.exit_status, 4) << test.err;
  EXPECT_EQ(test.out, "b.txt: CRC error\n");

  ProgramResult extract = Cli({"--extract-archive", At("書庫\\old.lzh"), At("展開")});
  EXPECT_EQ(extract.exit_status, 4) << extract.err;
  EXPECT_EQ(FilesBelow(At("展開")), std::vector<std::string>{"文書/a.txt"});
  EXPECT_EQ(testing_support::Mtime(At("展開\\文書\\a.txt")), kT);

  ProgramResult again = Cli({"--extract-archive", At("書庫\\old.lzh"), At("展開"), "*a.txt"});
  EXPECT_EQ(again.exit_status, 1) << again.err;
  EXPECT_THAT(again.out, HasSubstr("文書\\a.txt: exists"));
}

}  // namespace
