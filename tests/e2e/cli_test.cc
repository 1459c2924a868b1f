// End-to-end tests: grebewick-cli on real temporary trees.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "app/cli/display_width.h"
#include "tests/support/private_media.h"
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

// What a timer's journal (standard error, not a terminal) holds: with -v a line for each file
// copied and the summary; without it the summary alone; with -q nothing.
TEST_F(CliTest, VerboseNamesEachCopiedFileAndTheSummaryAlwaysReachesTheLog) {
  WriteFile(dir_ / "src/a.txt", std::string(1536, 'a'), kT);
  WriteFile(dir_ / "src/sub/b.txt", "b", kT);
  WriteFile(dir_ / "cmp/sub/other.txt", "o", kT);
  ProgramResult verbose = Cli(Job({"-v"}));
  EXPECT_EQ(verbose.exit_status, 0) << verbose.err;
  EXPECT_THAT(verbose.err,
              ::testing::StartsWith("grebewick-cli: copied " + dir_ / "src/sub/b.txt" + " (1 B)\n" +
                                    "grebewick-cli: copied " + dir_ / "src/a.txt" + " (1.5 KiB)\n" +
                                    "grebewick-cli: 2 of 2 files copied to " +
                                    dir_ / "out/20001231" + ", 1.5 KiB in "));
  EXPECT_EQ(std::count(verbose.err.begin(), verbose.err.end(), '\n'), 3);
  EXPECT_EQ(verbose.out, "");

  auto elsewhere = [&](const std::string& dest, const std::string& flag) {
    std::vector<std::string> arguments = {"--dest", dir_ / dest, "--mkpath", "--source",
                                          dir_ / "src"};
    if (!flag.empty()) arguments.push_back(flag);
    return Cli(arguments);
  };
  ProgramResult plain = elsewhere("plain", "");
  EXPECT_EQ(plain.exit_status, 0) << plain.err;
  EXPECT_THAT(plain.err, ::testing::MatchesRegex("grebewick-cli: 2 of 2 files copied to .*\n"));
  EXPECT_EQ(elsewhere("quiet", "-q").err, "");
  EXPECT_EQ(Cli(Job({"-q", "-v"})).exit_status, 2);
}

// Leaving things out, as .gitignore does: what -n lists is what is copied, and a comparison
// holds no say over a file that is left out.
TEST_F(CliTest, ExcludedEntriesAreNeitherListedNorCopied) {
  for (const char* file : {"a.txt", "a.tmp", "sub/b.tmp", "sub/keep.tmp", "sub/c.txt",
                           "web/node_modules/x/m.js", "lib/node_modules", "cache/deep/c.bin",
                           "x/cache/d.bin", "docs/old.bak", "docs/deep/old.bak", "vm/disk.img"}) {
    WriteFile(dir_ / ("src/" + std::string(file)), file, kT);
  }
  // The comparison holds a.tmp unchanged; left out, it is not looked at either way.
  WriteFile(dir_ / "cmp/a.txt", "a.txt", kT);
  struct Row {
    std::vector<std::string> options;
    std::vector<std::string> copied;
  };
  const std::vector<std::string> everything_but_a = {"a.tmp",
                                                     "cache/deep/c.bin",
                                                     "docs/deep/old.bak",
                                                     "docs/old.bak",
                                                     "lib/node_modules",
                                                     "sub/b.tmp",
                                                     "sub/c.txt",
                                                     "sub/keep.tmp",
                                                     "vm/disk.img",
                                                     "web/node_modules/x/m.js",
                                                     "x/cache/d.bin"};
  const Row rows[] = {
      {{}, everything_but_a},
      // A glob at any depth, with one name taken back.
      {{"--exclude", "*.tmp", "--exclude", "!keep.tmp"},
       {"cache/deep/c.bin", "docs/deep/old.bak", "docs/old.bak", "lib/node_modules", "sub/c.txt",
        "sub/keep.tmp", "vm/disk.img", "web/node_modules/x/m.js", "x/cache/d.bin"}},
      // Folders only: the file named node_modules stays.
      {{"--exclude", "node_modules/", "--exclude", "/docs/*.bak"},
       {"a.tmp", "cache/deep/c.bin", "docs/deep/old.bak", "lib/node_modules", "sub/b.tmp",
        "sub/c.txt", "sub/keep.tmp", "vm/disk.img", "x/cache/d.bin"}},
      // Across folders.
      {{"--exclude", "**/cache/**", "--exclude", "vm/**", "--exclude", "**/deep"},
       {"a.tmp", "docs/old.bak", "lib/node_modules", "sub/b.tmp", "sub/c.txt", "sub/keep.tmp",
        "web/node_modules/x/m.js"}},
  };
  int n = 0;
  for (const Row& row : rows) {
    std::vector<std::string> options = row.options;
    options.push_back("-n");
    ProgramResult dry = Cli(Job(options));
    EXPECT_EQ(dry.exit_status, 0) << dry.err;
    std::vector<std::string> listed;
    for (std::size_t start = 0; start < dry.out.size();) {
      const std::size_t end = dry.out.find('\n', start);
      const std::string line = dry.out.substr(start, end - start);
      listed.push_back(line.substr(line.find('\t') + 1).substr(Out("").size()));
      start = end + 1;
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, row.copied) << row.options.size() << " options";
    // The copy itself, into a date folder of its own.
    options.back() = "-q";
    const std::string date = "2001010" + std::to_string(++n);
    options.insert(options.end(), {"--date", date});
    std::vector<std::string> arguments = {"--dest",     dir_ / "out", "--mkpath",  "--source",
                                          dir_ / "src", "--compare",  dir_ / "cmp"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    ASSERT_EQ(Cli(arguments).exit_status, 0);
    EXPECT_EQ(FilesBelow(dir_ / ("out/" + date) + dir_.path() + "/src"), row.copied);
  }
  // The same patterns from a file, with comments, and from a job file.
  WriteFile(dir_ / "exclude", "# caches and builds\n**/cache/**\nvm/**\n\n**/deep\n");
  WriteFile(dir_ / "job.conf", "exclude-from = " + dir_ / "exclude" + "\n");
  ProgramResult from_file = Cli(Job({"-n", "--exclude-from", dir_ / "exclude"}));
  ProgramResult from_job = Cli(Job({"-n", "--config", dir_ / "job.conf"}));
  EXPECT_EQ(from_file.out, from_job.out);
  EXPECT_EQ(std::count(from_file.out.begin(), from_file.out.end(), '\n'), 7);
  ProgramResult missing = Cli(Job({"-n", "--exclude-from", dir_ / "none"}));
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.err,
            "grebewick-cli: --exclude-from " + dir_ / "none" + ": No such file or directory\n");
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
    // One line, whatever went wrong.
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  // An unknown option is named with the option it most likely stands for, before anything
  // else is judged; nothing is created.
  WriteFile(dir_ / "src/f", "f", kT);
  ProgramResult typo = Cli({"--dest", dir_ / "out", "--sorce", dir_ / "src", "--mkpath"});
  EXPECT_EQ(typo.exit_status, 2);
  EXPECT_EQ(typo.err, "grebewick-cli: unknown option --sorce; did you mean --source?\n");
  EXPECT_EQ(Cli({"--dest", "d", "--source", "s", "--frobnicate"}).err,
            "grebewick-cli: unknown option --frobnicate\n");
  EXPECT_EQ(Cli({"--dest", "d", "--source", "s", "stray"}).err,
            "grebewick-cli: unexpected argument stray\n");
  // The same source twice would copy every file twice.
  ProgramResult twice = Cli({"--dest", dir_ / "out", "--mkpath", "--source", dir_ / "src",
                             "--source", dir_ / "src/../src/"});
  EXPECT_EQ(twice.exit_status, 2);
  EXPECT_EQ(twice.err, "grebewick-cli: the source folder " + dir_ / "src" + " is given twice\n");
  EXPECT_FALSE(Exists(dir_ / "out"));
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

// Below the media folders the first folder is a medium's mount point: where nothing is
// mounted there, the run is refused before anything is created, --mkpath or not, also when an
// empty mount point was left behind. The real media folders are never touched: the runs see
// empty ones of their own.
TEST_F(CliTest, ADestinationOnAMediumThatIsNotMountedIsRefusedEvenWithMkpath) {
  WriteFile(dir_ / "src/f", "f", kT);
  auto run = [&](const std::string& dest, std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"--dest",    dest,   "--source", dir_ / "src",
                                          "--compare", "none", "--yes"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ProgramResult result = Cli(arguments);
    return std::to_string(result.exit_status) + " " + result.err;
  };
  const std::string kSection = "----\n";
  std::string result, skip;
  if (!testing_support::InPrivateMedia(
          [&] {
            std::string out;
            for (const std::vector<std::string>& extra :
                 std::vector<std::vector<std::string>>{{"--mkpath"}, {}, {"-n", "--mkpath"}}) {
              out += run("/media/usb/backup", extra) + kSection;
            }
            ::mkdir("/mnt/usb", 0755);
            out += run("/mnt/usb", {"--mkpath", "-q"}) + kSection;
            out += testing_support::TreeBelow("/media") + testing_support::TreeBelow("/mnt") +
                   kSection;
            if (!testing_support::MountMedium("/media/usb")) return std::string("\x01no tmpfs");
            out += run("/media/usb/backup", {"--mkpath", "-q"}) + kSection;
            return out + std::to_string(FilesBelow("/media/usb/backup").size());
          },
          &result, &skip)) {
    GTEST_SKIP() << skip;
  }
  const std::vector<std::string> sections = testing_support::Sections(result, kSection);
  ASSERT_EQ(sections.size(), 7u) << result;
  const std::string refused =
      "3 grebewick-cli: the destination folder /media/usb/backup is on no mounted medium: "
      "open(/media/usb/backup): nothing is mounted at /media/usb (is the medium mounted?)\n";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sections[i], refused) << i;
  EXPECT_EQ(sections[3],
            "3 grebewick-cli: the destination folder /mnt/usb is on no mounted medium: "
            "open(/mnt/usb): nothing is mounted at /mnt/usb (is the medium mounted?)\n");
  EXPECT_EQ(sections[4], "/mnt/usb\n") << "nothing was made";
  EXPECT_EQ(sections[5], "0 ");
  EXPECT_EQ(sections[6], "3");  // the copy and the run's two records
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

// A typo in a source path: one line naming it, also with -q; the other sources are backed up
// and the exit status tells that not all were.
TEST_F(CliTest, AMissingSourceFolderIsOneLineAndTheOthersAreCopied) {
  WriteFile(dir_ / "other/f", "f", kT);
  for (const std::vector<std::string>& extra :
       std::vector<std::vector<std::string>>{{}, {"-q"}, {"--source", dir_ / "other", "-q"}}) {
    ProgramResult run = Cli(Job(extra));
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, "grebewick-cli: source folder " + dir_ / "src" + " does not exist\n");
  }
  EXPECT_EQ(FilesBelow(dir_ / "out/20001231"),
            (std::vector<std::string>{".grebewick/SHA256SUMS", ".grebewick/files",
                                      dir_.path().substr(1) + "/other/f"}));
}

}  // namespace
