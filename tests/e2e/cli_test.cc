// End-to-end tests: grebewick-cli on real temporary trees.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "app/cli/display_width.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::HasSubstr;
using testing_support::Exists;
using testing_support::FilesBelow;
using testing_support::ProgramResult;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 961988707;

class CliTest : public ::testing::Test {
 protected:
  ProgramResult Cli(std::vector<std::string> arguments, const std::string& prefix = "") {
    arguments.insert(arguments.begin(), GREBEWICK_CLI);
    return RunProgram(arguments, "", prefix);
  }
  std::vector<std::string> Job(std::vector<std::string> extra = {}) {
    std::vector<std::string> job = {"--dest",     dir_ / "out", "--source",
                                    dir_ / "src", "--compare",  dir_ / "cmp",
                                    "--date",     "20001231",   "--mkpath"};
    job.insert(job.end(), extra.begin(), extra.end());
    return job;
  }
  // Where a file below the source folder lands.
  std::string Out(const std::string& relative) const {
    return dir_ / ("out/20001231" + dir_.path() + "/src/" + relative);
  }

  TempDir dir_;
};

TEST_F(CliTest, CopiesNewAndChangedFilesIntoTheDateFolder) {
  WriteFile(dir_ / "src/new.txt", "new", kT);
  WriteFile(dir_ / "src/sub/changed.txt", "changed", kT + 60);
  WriteFile(dir_ / "cmp/sub/changed.txt", "old", kT);
  WriteFile(dir_ / "src/Readme.txt", "same", kT);
  WriteFile(dir_ / "cmp/README.TXT", "same", kT);

  ProgramResult dry = Cli(Job({"--dry-run"}));
  EXPECT_EQ(dry.exit_status, 0) << dry.err;
  EXPECT_EQ(dry.out, dir_ / "src/sub/changed.txt" + "\t" + Out("sub/changed.txt") + "\n" +
                         dir_ / "src/new.txt" + "\t" + Out("new.txt") + "\n");
  EXPECT_FALSE(Exists(dir_ / "out"));

  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(FilesBelow(dir_ / "out/20001231" + dir_.path() + "/src"),
            (std::vector<std::string>{"new.txt", "sub/changed.txt"}));
  EXPECT_EQ(ReadFile(Out("sub/changed.txt")), "changed");
  EXPECT_THAT(run.err, HasSubstr("2 of 2 files copied to " + dir_ / "out/20001231" + ", 10 B in "));
}

// A log gets no progress and no terminal controls; a terminal gets a progress line that
// fits its width, however wide the names' characters are.
TEST_F(CliTest, ProgressGoesOnlyToATerminalAndFitsItsWidth) {
  for (int i = 0; i < 40; ++i) {
    WriteFile(dir_ / ("src/日本語のとても長いフォルダ名/ﾌｧｲﾙ名の長いファイル" + std::to_string(i) +
                      ".txt"),
              std::string(4096, 'x'), kT);
  }
  ProgramResult logged = Cli(Job());
  EXPECT_EQ(logged.exit_status, 0) << logged.err;
  EXPECT_EQ(logged.err.find_first_of("\r\x1B"), std::string::npos) << logged.err;

  // script(1) gives the program a terminal of 40 columns.
  std::string command = "stty cols 40; exec '" GREBEWICK_CLI "'";
  for (const std::string& argument : Job()) command += " '" + argument + "'";
  ProgramResult shown = RunProgram({"/usr/bin/script", "-qec", command, "/dev/null"});
  EXPECT_EQ(shown.exit_status, 0) << shown.out;
  int lines = 0;
  for (std::size_t start = 0; (start = shown.out.find("\r\x1B[K", start)) != std::string::npos;) {
    start += 4;
    const std::string line =
        shown.out.substr(start, shown.out.find_first_of("\r\n", start) - start);
    if (line.empty() || line.starts_with("grebewick-cli: ")) continue;  // the summary
    EXPECT_LE(cli::DisplayWidth(line), 39u) << line;
    ++lines;
  }
  EXPECT_GT(lines, 0) << shown.out;
}

TEST_F(CliTest, NothingToCopyIsReportedAndCreatesNothing) {
  WriteFile(dir_ / "src/same", "s", kT);
  WriteFile(dir_ / "cmp/same", "s", kT);
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_THAT(run.err, HasSubstr("対象検索結果: コピー対象となるファイルはありません。"));
  EXPECT_FALSE(Exists(dir_ / "out"));
  EXPECT_EQ(Cli(Job({"--quiet"})).err, "");
}

TEST_F(CliTest, BadArgumentsAreUsageErrorsThatNameTheProgram) {
  const std::vector<std::vector<std::string>> rows = {
      {"--frobnicate"},
      {"-x"},
      {"--dest", "d"},
      {"--source", "s"},
      {"--dest", "d", "--compare", "c", "--source", "s"},
      {"--dest", "d", "--source", "s", "--compare", "c", "--compare", "e"},
      {"--dest", "d", "--source", "s", "--date", "20011301"},
      {"--dest", "d", "--source", "s", "--yes", "--no"},
      {"--dest", "d", "--source", "s", "-y", "--no"},
  };
  for (const std::vector<std::string>& row : rows) {
    ProgramResult result = Cli(row);
    EXPECT_EQ(result.exit_status, 2) << row[0];
    EXPECT_THAT(result.err, ::testing::StartsWith("grebewick-cli: ")) << row[0];
  }
  for (const char* flag : {"--help", "-h"}) {
    ProgramResult help = Cli({flag});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_THAT(help.out, ::testing::StartsWith("Usage: grebewick-cli --dest DIR"));
    EXPECT_THAT(help.out, HasSubstr("Exit status"));
    EXPECT_THAT(help.out, ::testing::Not(HasSubstr(GREBEWICK_CLI)));
  }
  EXPECT_EQ(Cli({"--version"}).out, "grebewick-cli " GREBEWICK_VERSION "\n");
}

// An unmounted medium must not fill the disk below its mount point: without --mkpath a
// missing destination refuses the run, dry or not, before anything is created.
TEST_F(CliTest, TheDestinationMustExistUnlessMkpathIsGiven) {
  WriteFile(dir_ / "src/f", "f", kT);
  const std::string dest = dir_ / "media/usb/backup";
  for (const std::vector<std::string>& extra : std::vector<std::vector<std::string>>{{}, {"-n"}}) {
    std::vector<std::string> arguments = {"--dest", dest, "--source", dir_ / "src"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ProgramResult refused = Cli(arguments);
    EXPECT_EQ(refused.exit_status, 3);
    EXPECT_EQ(refused.err, "grebewick-cli: the destination folder " + dest +
                               " does not exist (is the medium mounted?); --mkpath creates it\n");
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(Exists(dir_ / "media"));
  }
  ProgramResult made = Cli({"--dest", dest, "--source", dir_ / "src", "--mkpath", "-q"});
  EXPECT_EQ(made.exit_status, 0) << made.err;
  // The copy, and the run's record beside it (its hashes, its list of files).
  EXPECT_EQ(FilesBelow(dest).size(), 3u);
  // Once it is there, the same run needs no --mkpath.
  EXPECT_EQ(Cli({"--dest", dest, "--source", dir_ / "src", "-q"}).exit_status, 0);
}

// The usual slip: the date folder of an earlier backup given as the comparison, which holds
// the source only below its full path, so nothing matches and everything is copied again.
TEST_F(CliTest, AComparisonFolderThatSharesNoNameWithItsSourceIsWarnedAbout) {
  WriteFile(dir_ / "src/a.txt", "a", kT);
  WriteFile(dir_ / "src/sub/b.txt", "b", kT);
  WriteFile(dir_ / ("backup/20001130" + dir_.path() + "/src/a.txt"), "a", kT);
  WriteFile(dir_ / "match/SUB/other.txt", "x", kT);  // a folder name in common, case aside
  WriteFile(dir_ / "archived/old.LZH", "members could match", kT);
  WriteFile(dir_ / "unrelated/x.txt", "x", kT);
  testing_support::MakeFolders(dir_ / "empty");
  const std::string warning = "warning: comparison folder ";
  const struct {
    std::string comparison;
    bool warned;
  } rows[] = {
      {dir_ / "backup/20001130", true}, {dir_ / ("backup/20001130" + dir_.path() + "/src"), false},
      {dir_ / "match", false},          {dir_ / "archived", false},
      {dir_ / "unrelated", true},       {dir_ / "empty", false},
  };
  for (const auto& row : rows) {
    ProgramResult run = Cli({"--dest", dir_.path(), "--source", dir_ / "src", "--compare",
                             row.comparison, "-n", "--date", "20001231"});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err.find(warning) != std::string::npos, row.warned) << row.comparison << run.err;
  }
  ProgramResult date_folder = Cli({"--dest", dir_.path(), "--source", dir_ / "src", "--compare",
                                   dir_ / "backup/20001130", "-n"});
  EXPECT_THAT(date_folder.err,
              HasSubstr(warning + dir_ / "backup/20001130" +
                        " shares no file or folder name with source folder " + dir_ / "src"));
  EXPECT_THAT(date_folder.err, HasSubstr("the source's copy in that backup is " +
                                         dir_ / "backup/20001130" + dir_.path() + "/src"));
  EXPECT_EQ(Cli({"--dest", dir_.path(), "--source", dir_ / "src", "--compare", dir_ / "unrelated",
                 "-n", "-q"})
                .err,
            "");
}

// With -0 a script gets every name back byte for byte, whatever it holds; without it one
// line per item, with control characters as "?".
TEST_F(CliTest, NullTerminatedRecordsCarryAnyNameWhole) {
  const std::vector<std::string> names = {"new\nline.txt",  "caf\xE9.txt",   "esc\x1B[31m.txt",
                                          "c1\xC2\x85.txt", "tab\there.txt", "plain.txt"};
  for (const std::string& name : names) WriteFile(dir_ / ("src/" + name), "x", kT);
  ProgramResult dry =
      Cli({"--dest", dir_.path(), "--source", dir_ / "src", "-n", "-0", "--date", "20001231"});
  ASSERT_EQ(dry.exit_status, 0) << dry.err;
  ASSERT_EQ(dry.out.back(), '\0');
  std::vector<std::string> fields;
  for (std::size_t start = 0, end; start < dry.out.size(); start = end + 1) {
    end = dry.out.find('\0', start);
    fields.push_back(dry.out.substr(start, end - start));
  }
  ASSERT_EQ(fields.size(), 2 * names.size());
  std::vector<std::string> sources;
  for (std::size_t i = 0; i < fields.size(); i += 2) {
    EXPECT_EQ(fields[i + 1], dir_ / "20001231" + fields[i]);
    sources.push_back(fields[i].substr((dir_ / "src/").size()));
  }
  std::vector<std::string> expected = names;
  std::sort(sources.begin(), sources.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sources, expected);

  ProgramResult lines = Cli({"--dest", dir_.path(), "--source", dir_ / "src", "-n"});
  EXPECT_EQ(std::count(lines.out.begin(), lines.out.end(), '\n'), 6);
  EXPECT_THAT(lines.out, HasSubstr("new?line.txt"));
  EXPECT_THAT(lines.out, HasSubstr("esc?[31m.txt"));
  EXPECT_THAT(lines.out, HasSubstr("c1?.txt"));
  EXPECT_THAT(lines.out, HasSubstr("caf\xE9.txt"));  // not a control character: unchanged
  EXPECT_EQ(lines.out.find('\0'), std::string::npos);
}

TEST_F(CliTest, EachCompareBelongsToTheSourceBeforeIt) {
  WriteFile(dir_ / "a/f", "a", kT);
  WriteFile(dir_ / "b/f", "b", kT);
  WriteFile(dir_ / "cmp/f", "a", kT);
  ProgramResult dry = Cli({"--dest", dir_.path(), "--source", dir_ / "a", "--source", dir_ / "b",
                           "--compare", dir_ / "cmp", "--date", "20001231", "--dry-run"});
  EXPECT_EQ(dry.exit_status, 0);
  // a has no comparison: copied. b's f has the same size and time as cmp/f: skipped.
  EXPECT_EQ(dry.out, dir_ / "a/f" + "\t" + dir_ / "20001231" + dir_.path() + "/a/f\n");
}

TEST_F(CliTest, RelativeAndDottedSourcesStayBelowTheDateFolder) {
  WriteFile(dir_ / "src/f", "f", kT);
  ProgramResult run = Cli({"--dest", dir_ / "out", "--source", dir_ / "src/../src/.", "--compare",
                           "none", "--date", "20001231", "--dry-run", "--mkpath"});
  EXPECT_EQ(run.out, dir_ / "src/f" + "\t" + Out("f") + "\n");
}

TEST_F(CliTest, NamesThatAreNotUtf8AreCopiedByteExact) {
  const std::string name = "caf\xE9 \x83\x5C.txt";
  WriteFile(dir_ / ("src/" + name), "bytes", kT);
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFile(Out(name)), "bytes");
}

TEST_F(CliTest, LinksToFilesAreCopiedAndLinksToFoldersAreNotWalked) {
  WriteFile(dir_ / "src/real.txt", "real", kT);
  ::symlink((dir_ / "src/real.txt").c_str(), (dir_ / "src/link.txt").c_str());
  ::symlink((dir_ / "src").c_str(), (dir_ / "src/loop").c_str());
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(FilesBelow(dir_ / "out/20001231" + dir_.path() + "/src"),
            (std::vector<std::string>{"link.txt", "real.txt"}));
}

TEST_F(CliTest, AMissingSourceFolderIsWarnedAboutAndCounted) {
  ProgramResult run = Cli(Job());
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_THAT(run.err, HasSubstr("warning: source folder " + dir_ / "src" + " does not exist"));
}

}  // namespace
