// The programs as installed: every file in its place, the archive library found relative to
// the installed program and nowhere else.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::int64_t kT = 1577934246;  // 2020-01-02 03:04:06 UTC, an even second

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A file named like the library in the current folder and on PATH is never loaded: a
// library planted in a downloads folder would run with the user's rights.
TEST(LibrarySearchTest, APlantedLibraryInTheCurrentFolderOrOnPathIsIgnored) {
  TempDir dir;
  fs::create_directories(dir / "bin");
  fs::copy_file(GREBEWICK_CLI, dir / "bin/grebewick-cli");  // alone, without its library
  WriteFile(dir / "downloads/libunlha32.so", "not a library");
  WriteFile(dir / "downloads/old.lzh", "whatever");
  ProgramResult listed = RunProgram({"/usr/bin/env", "PATH=" + dir / "downloads" + ":/usr/bin:/bin",
                                     dir / "bin/grebewick-cli", "--list-archive", "old.lzh"},
                                    "", "cd '" + dir / "downloads" + "' &&");
  EXPECT_EQ(listed.exit_status, 4);
  EXPECT_EQ(listed.err, "grebewick-cli: the archive library libunlha32.so was not found\n");
}

// cmake --install into a fresh prefix: the layout a package unpacks, and a job with LZH
// archives that only works when the installed program finds its library.
TEST(InstalledTreeTest, HoldsEveryFileInItsPlaceAndRunsAJobWithArchives) {
  if (!Have("jlha")) GTEST_SKIP() << "jlha is not installed: skipped";
  TempDir dir;
  const std::string prefix = dir / "root/usr";
  ProgramResult install =
      RunProgram({GREBEWICK_CMAKE, "--install", GREBEWICK_BUILD_DIR, "--prefix", prefix});
  ASSERT_EQ(install.exit_status, 0) << install.out << install.err;
  std::vector<std::string> expected = {
      "bin/grebewick-cli", GREBEWICK_LIBRARY_DIR "/grebewick/libunlha32.so",
      "share/man/man1/grebewick-cli.1.gz", "share/locale/en/LC_MESSAGES/grebewick.mo",
      // below a prefix of the user's own
      "share/systemd/user/grebewick-backup.service", "share/systemd/user/grebewick-backup.timer",
      "share/systemd/user/grebewick-backup-failed.service",
      "share/doc/grebewick/backup.conf.example", "share/doc/grebewick/README.md",
      "share/doc/grebewick/LICENSE", "share/doc/grebewick/copyright"};
  if (fs::exists(fs::path(GREBEWICK_CLI).parent_path() / "grebewick")) {
    expected.insert(expected.end(), {"bin/grebewick", "share/man/man1/grebewick.1.gz",
                                     "share/grebewick/translations/grebewick_en.qm",
                                     "share/applications/grebewick.desktop",
                                     "share/metainfo/org.grebewick.Grebewick.metainfo.xml",
                                     "share/icons/hicolor/scalable/apps/grebewick.svg",
                                     "share/icons/hicolor/16x16/apps/grebewick.png",
                                     "share/icons/hicolor/256x256/apps/grebewick.png"});
  }
  for (const std::string& file : expected) {
    EXPECT_TRUE(fs::is_regular_file(prefix + "/" + file)) << file;
  }
  EXPECT_FALSE(fs::exists(prefix + "/bin/libunlha32.so"));

  // a.txt is unchanged in the archive, b.txt changed since; the member named with a line
  // break is listed whole with -0.
  WriteFile(dir / "src/a.txt", "alpha", kT);
  WriteFile(dir / "src/b.txt", "bravo", kT);
  WriteFile(dir / "src/line\nbreak.txt", "x", kT);
  fs::create_directories(dir / "cmp");
  const std::string archive = "cd '" + dir.path() +
                              "' && TZ=UTC jlha a cmp/old.lzh src/a.txt src/b.txt 'src/line\n"
                              "break.txt' >/dev/null 2>&1";
  ASSERT_EQ(std::system(archive.c_str()), 0);
  WriteFile(dir / "src/b.txt", "bravo, changed", kT + 60);
  ProgramResult run = RunProgram({"/usr/bin/env", "TZ=UTC", prefix + "/bin/grebewick-cli", "--dest",
                                  dir / "out", "--mkpath", "--source", dir / "src", "--compare",
                                  dir / "cmp", "--date", "20200102"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  // The one changed file, and the run's record beside it.
  EXPECT_EQ(testing_support::FilesBelow(dir / "out"),
            (std::vector<std::string>{"20200102/.grebewick/SHA256SUMS", "20200102/.grebewick/files",
                                      "20200102" + dir.path() + "/src/b.txt"}));
  // The window's program answers --help and --version without a display.
  if (fs::exists(prefix + "/bin/grebewick")) {
    for (const char* option : {"--version", "--help"}) {
      ProgramResult answered =
          RunProgram({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                      "QT_QPA_PLATFORM", prefix + "/bin/grebewick", option});
      EXPECT_EQ(answered.exit_status, 0) << option << answered.err;
      EXPECT_THAT(answered.out, ::testing::StartsWith(std::string(option) == "--version"
                                                          ? "grebewick " GREBEWICK_VERSION "\n"
                                                          : "Usage: grebewick"));
    }
  }
  // The installed program finds its catalogue relative to itself.
  WriteFile(dir / "same/f.txt", "f", kT);
  WriteFile(dir / "same-copy/f.txt", "f", kT);
  ProgramResult english =
      RunProgram({"/usr/bin/env", "-u", "LC_ALL", "-u", "LANGUAGE", "LANG=en_US.UTF-8",
                  prefix + "/bin/grebewick-cli", "--dest", dir / "out", "--source", dir / "same",
                  "--compare", dir / "same-copy"});
  if (std::system("locale -a 2>/dev/null | grep -qix en_US.utf8") == 0) {
    EXPECT_THAT(english.err, HasSubstr("Search result: There are no files to copy."));
  }

  ProgramResult listed =
      RunProgram({prefix + "/bin/grebewick-cli", "-0", "--list-archive", dir / "cmp/old.lzh"});
  EXPECT_EQ(listed.exit_status, 0) << listed.err;
  EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\0'), 30);
  EXPECT_THAT(listed.out, HasSubstr(std::string("line\nbreak.txt\0src\\\0", 20)));
}

// The timer's units as installed: systemd accepts them, and the service's command, run as
// the service manager would run it for a user whose job file names a source and a medium,
// backs that source up and leaves its summary in the journal (standard error).
TEST(InstalledTreeTest, TheUserUnitsVerifyAndTheServiceRunsTheJobFile) {
  TempDir dir;
  const std::string prefix = dir / "root/usr";
  ProgramResult install =
      RunProgram({GREBEWICK_CMAKE, "--install", GREBEWICK_BUILD_DIR, "--prefix", prefix});
  ASSERT_EQ(install.exit_status, 0) << install.out << install.err;
  const std::string units = prefix + "/share/systemd/user/";
  if (Have("systemd-analyze")) {
    fs::create_directories(dir / "runtime");
    // The units' Documentation= pages are looked up in the installed tree.
    ProgramResult verify = RunProgram(
        {"/usr/bin/env", "XDG_RUNTIME_DIR=" + dir / "runtime", "MANPATH=" + prefix + "/share/man",
         "systemd-analyze", "--user", "verify", units + "grebewick-backup.service",
         units + "grebewick-backup.timer", units + "grebewick-backup-failed.service"});
    EXPECT_EQ(verify.exit_status, 0) << verify.out << verify.err;
    EXPECT_EQ(verify.err, "");
  }

  std::string command = testing_support::ReadFile(units + "grebewick-backup.service");
  command = command.substr(command.find("\nExecStart=") + 11);
  command = command.substr(0, command.find('\n'));
  EXPECT_THAT(command, ::testing::StartsWith(prefix + "/bin/grebewick-cli "));
  const std::string home = dir / "home";
  for (std::size_t at; (at = command.find("%h")) != std::string::npos;) {
    command.replace(at, 2, home);
  }
  WriteFile(home + "/docs/a.txt", "a", kT);
  fs::create_directories(dir / "media/backup");
  WriteFile(home + "/.config/grebewick/backup.conf",
            "# the medium\ndest = " + dir / "media/backup" + "\nsource = ~/docs\n");
  std::vector<std::string> arguments = {"/usr/bin/env", "HOME=" + home};
  for (std::size_t start = 0; start < command.size();) {
    const std::size_t blank = std::min(command.find(' ', start), command.size());
    arguments.push_back(command.substr(start, blank - start));
    start = blank + 1;
  }
  ProgramResult run = RunProgram(arguments);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("1 of 1 files copied to " + dir / "media/backup/"));
  // The copy and the run's two records.
  EXPECT_EQ(testing_support::FilesBelow(dir / "media/backup").size(), 3u);
  // The medium not mounted: the unit fails (and its OnFailure= unit tells the desktop).
  fs::remove_all(dir / "media/backup");
  EXPECT_EQ(RunProgram(arguments).exit_status, 3);
}

}  // namespace
