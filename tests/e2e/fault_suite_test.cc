// The copy and destination fault suite: grebewick-cli on real source trees, into every file
// system users back up to, one table of cases; then extraction onto the same file systems. Each
// case is checked for what the program said and how it ended, and then, after the file system has
// been unmounted and mounted again, for what it kept, byte for byte. Faults and slow copies are
// made with strace: a failing or delayed system call, or a signal delivered on the n-th one, on the
// source file alone (-P), so that nothing depends on timing.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "header_builder.h"
#include "tests/e2e/mounted_volume.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kDate[] = "20250101";
constexpr std::int64_t kT = 961988707;            // an odd second
constexpr std::int64_t k1970 = 13046400;          // 1970-06-01 00:00:00 UTC
constexpr std::int64_t k2200 = 7258118400;        // 2200-01-01 00:00:00 UTC
constexpr std::int64_t kFatEarliest = 315532800;  // 1980-01-01 00:00:00 UTC
constexpr std::int64_t kFatLatest = 4354819198;   // 2107-12-31 23:59:58 UTC

// The copies below a destination, without the runs' records beside them.
std::vector<std::string> Copies(const std::string& dest) {
  std::vector<std::string> copies;
  for (const std::string& file : FilesBelow(dest)) {
    if (file.find("/.grebewick/") == std::string::npos) copies.push_back(file);
  }
  return copies;
}

// The files that the date folders' SHA256SUMS name, as paths below the destination.
std::vector<std::string> Recorded(const std::string& dest) {
  std::vector<std::string> names;
  for (const std::string& file : FilesBelow(dest)) {
    if (!file.ends_with("/.grebewick/SHA256SUMS")) continue;
    const std::string date = file.substr(0, file.find('/'));
    std::istringstream lines(ReadFile(dest + "/" + file));
    for (std::string line; std::getline(lines, line);) {
      const bool escaped = line.starts_with('\\');
      std::string name = line.substr(escaped ? 67 : 66);
      for (std::size_t i = 0; escaped && i < name.size(); ++i) {
        if (name[i] != '\\') continue;
        name.replace(i, 2, name[i + 1] == 'n' ? "\n" : name[i + 1] == 'r' ? "\r" : "\\");
      }
      names.push_back(date + "/" + name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Everywhere(VolumeKind) { return true; }
bool KeepsUnixModes(VolumeKind kind) {
  return kind == VolumeKind::kTmpfs || kind == VolumeKind::kExt4 || kind == VolumeKind::kXfs ||
         kind == VolumeKind::kBtrfs;
}
bool HoldsLinks(VolumeKind kind) { return KeepsUnixModes(kind) || kind == VolumeKind::kNtfs; }
// The kernel's own drivers: copies are written as unnamed files, named only when complete.
bool MakesUnnamedFiles(VolumeKind kind) { return KeepsUnixModes(kind); }
// FAT and exFAT: Windows names, and letter case does not count.
bool WindowsNames(VolumeKind kind) {
  return kind == VolumeKind::kFat32 || kind == VolumeKind::kExfat;
}
bool WindowsMedia(VolumeKind kind) { return WindowsNames(kind) || kind == VolumeKind::kNtfs; }
bool Fat(VolumeKind kind) { return kind == VolumeKind::kFat32; }

bool HasStrace() { return ::access("/usr/bin/strace", X_OK) == 0; }

void SetTime(const std::string& path, std::int64_t seconds, long nanoseconds) {
  const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                             {static_cast<time_t>(seconds), nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

struct stat Stat(const std::string& path) {
  struct stat st = {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

// Content that differs at every offset, so that a misplaced block shows.
std::string Pattern(std::size_t size, int seed) {
  std::string data(size, '\0');
  std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed);
  for (char& c : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return data;
}

// Equal byte for byte; otherwise says where they part, without printing megabytes.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  auto around = [&](const std::string& text) {
    return ::testing::PrintToString(text.substr(at, 16));
  };
  return ::testing::AssertionFailure()
         << actual.size() << " bytes where " << expected.size() << " were expected; they part at "
         << at << ": " << around(actual) << " instead of " << around(expected);
}

// Fills the file system holding `folder` until a little more than `free_bytes` is left.
void Fill(const std::string& folder, std::uint64_t free_bytes) {
  const std::string filler = folder + "/filler";
  int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const std::string block(1 << 20, 'f');
  std::uint64_t written = 0;
  for (;;) {
    ssize_t n = ::write(fd, block.data(), block.size());
    if (n <= 0) break;
    written += static_cast<std::uint64_t>(n);
  }
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(written > free_bytes ? written - free_bytes : 0)),
            0);
  ::close(fd);
}

// A program started in the background, for cases that act while it runs.
class Child {
 public:
  Child(const std::vector<std::string>& arguments, const std::string& folder)
      : out_(folder + "/stdout"), err_(folder + "/stderr") {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(::open("/dev/null", O_RDONLY), 0);
      ::dup2(::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
      ::dup2(::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
      std::vector<char*> argv;
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }

  // Waits until strace's `log` shows the program stopped (by an injected SIGSTOP) for the
  // `n`-th time and returns the stopped process, or returns 0 when the program ended first.
  pid_t WaitForStop(const std::string& log, int n) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < give_up) {
      // Every thread of the program logs its own "stopped by" line; the signal itself is
      // logged once per stop.
      std::ifstream in(log);
      std::string line;
      int stops = 0;
      pid_t signalled = 0;
      while (std::getline(in, line)) {
        if (line.find("--- SIGSTOP {") != std::string::npos && ++stops == n) {
          signalled = static_cast<pid_t>(std::stol(line));
        } else if (signalled != 0 && line.find("--- stopped by SIGSTOP ---") != std::string::npos) {
          return signalled;
        }
      }
      int status;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "the program neither stopped nor ended";
    return 0;
  }

  ProgramResult Wait() {
    if (pid_ > 0) {
      int status;
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return ProgramResult{status_, ReadFile(out_), ReadFile(err_)};
  }

 private:
  std::string out_, err_;
  pid_t pid_ = -1;
  int status_ = -1;
};

// One case's working set: its source tree (on the test's own file system), its destination
// on the volume, and what happened.
struct Case {
  VolumeKind kind;
  std::string work;  // the case's own folder, not on the volume
  std::string src;
  std::string dest;
  ProgramResult result;

  std::string Src(const std::string& relative) const { return src + "/" + relative; }
  // Where a file below the source folder lands, and the same below the destination.
  std::string Out(const std::string& relative = "") const {
    return dest + "/" + kDate + src + (relative.empty() ? "" : "/" + relative);
  }
  std::string Kept(const std::string& relative) const {
    return std::string(kDate) + src + "/" + relative;
  }
  std::string Log() const { return work + "/strace.log"; }
  std::vector<std::string> Job(std::vector<std::string> extra = {}) const {
    std::vector<std::string> job = {GREBEWICK_CLI, "--dest",    dest,      "--source",
                                    src,           "--compare", "none",    "--date",
                                    kDate,         "--yes",     "--mkpath"};
    job.insert(job.end(), extra.begin(), extra.end());
    return job;
  }
  // strace, writing to the case's log. The leak checker of a sanitized build cannot work in
  // a traced program, so it is off there.
  std::vector<std::string> Strace() const {
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    return {"/usr/bin/env",
            std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "") + ":detect_leaks=0",
            "/usr/bin/strace",
            "-f",
            "-o",
            Log()};
  }
  // The job under strace, which watches only `path` and does `options` to its calls.
  std::vector<std::string> Traced(const std::string& path, std::vector<std::string> options,
                                  std::vector<std::string> extra = {}) const {
    std::vector<std::string> command = Strace();
    command.insert(command.end(), {"-P", path});
    command.insert(command.end(), options.begin(), options.end());
    std::vector<std::string> job = Job(std::move(extra));
    command.insert(command.end(), job.begin(), job.end());
    return command;
  }
  // The failure question for a source file.
  std::string Failed(const std::string& relative) const {
    return "コピーエラー: ファイルのコピーに失敗しました。\n" + Src(relative) +
           "\n残りのファイルをコピーしますか？";
  }
};

// What a case expects.
struct Expected {
  int exit_status = 0;
  std::vector<std::string> said;      // in standard error
  std::vector<std::string> not_said;  // nowhere in standard error
  // Every file below the case's destination after the remount, relative to the dated copy
  // of the source folder, and its content byte for byte.
  std::map<std::string, std::string> kept;
  // Whether `kept` is the whole story (otherwise the row's own check looks).
  bool only_kept = true;
};

struct Row {
  const char* name;
  bool (*applies)(VolumeKind);
  // Makes the source tree and the destination's state; may skip the case.
  std::function<void(Case&)> prepare;
  // Runs the program (plainly when not given) and acts while it runs.
  std::function<ProgramResult(Case&)> run;
  std::function<Expected(const Case&)> expect;
  // Further checks after the remount.
  std::function<void(Case&)> check;
};

// A command run in UTC.
std::vector<std::string> InUtc(std::vector<std::string> command) {
  command.insert(command.begin(), {"/usr/bin/env", "TZ=UTC0"});
  return command;
}

ProgramResult Plain(Case& c, std::vector<std::string> extra = {}) {
  std::vector<std::string> job = c.Job(std::move(extra));
  return RunProgram(job);
}

// Runs the job under strace, stops it at every SIGSTOP the options inject and calls `act`
// with the number of the stop before letting it go on.
ProgramResult Stopping(Case& c, const std::string& path, std::vector<std::string> options,
                       const std::function<void(int)>& act) {
  Child child(c.Traced(path, std::move(options)), c.work);
  for (int stop = 1;; ++stop) {
    pid_t stopped = child.WaitForStop(c.Log(), stop);
    if (stopped == 0) break;
    act(stop);
    ::kill(stopped, SIGCONT);
  }
  return child.Wait();
}

// How many of the calls that strace's `log` shows begin with one of `names`.
int CallsIn(const std::string& log, std::initializer_list<const char*> names) {
  std::ifstream in(log);
  int calls = 0;
  for (std::string line; std::getline(in, line);) {
    for (const char* name : names) {
      if (line.find(std::string(" ") + name) != std::string::npos) ++calls;
    }
  }
  return calls;
}

std::string TemporaryFileIn(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".grebewick-") && name.ends_with(".tmp")) return entry.path().string();
  }
  return "";
}

// A long file and a small one copied before it (subfolders come first).
void LongAndFirst(Case& c) {
  WriteFile(c.Src("sub/first"), "copied before", kT);
  WriteFile(c.Src("long"), Pattern(4 << 20, 1), kT);
}

// Signals that end the program: both end the run like a confirmed cancel.
Row EndedBySignal(const char* name, const char* signal) {
  return Row{name,
             Everywhere,
             LongAndFirst,
             [signal](Case& c) {
               // The flush handle is opened on the destination folder itself: watching it too shows
               // the flush.
               ProgramResult result = RunProgram(c.Traced(
                   c.Src("long"), {"-P", c.dest, "-e", "trace=read,syncfs", "-e",
                                   std::string("inject=read:signal=") + signal + ":when=2"}));
               EXPECT_THAT(ReadFile(c.Log()), HasSubstr("syncfs(")) << "what was copied is flushed";
               return result;
             },
             [](const Case&) {
               return Expected{3,
                               {"1 of 2 files copied"},
                               {"キャンセルして良いですか"},
                               {{"sub/first", "copied before"}}};
             },
             nullptr};
}

std::vector<Row> Rows() {
  std::vector<Row> rows;

  rows.push_back(Row{"copies byte for byte with times the next run accepts", Everywhere,
                     [](Case& c) {
                       WriteFile(c.Src("odd second.txt"), "alpha");
                       SetTime(c.Src("odd second.txt"), kT, 0);
                       WriteFile(c.Src("sub/even.bin"), Pattern(300 << 10, 2));
                       SetTime(c.Src("sub/even.bin"), kT + 1, 0);
                       WriteFile(c.Src("sub/deeper/fraction"), "f");
                       SetTime(c.Src("sub/deeper/fraction"), kT + 1, 500000000);
                       WriteFile(c.Src("empty"), "");
                       SetTime(c.Src("empty"), kT, 999999999);
                       WriteFile(c.Src("Mixed Case Name.txt"), "mixed");
                       SetTime(c.Src("Mixed Case Name.txt"), kT + 60, 0);
                     },
                     nullptr,
                     [](const Case& c) {
                       return Expected{0,
                                       {"5 of 5 files copied"},
                                       {KeepsUnixModes(c.kind) ? "does not keep" : "\x01"},
                                       {{"odd second.txt", "alpha"},
                                        {"sub/even.bin", Pattern(300 << 10, 2)},
                                        {"sub/deeper/fraction", "f"},
                                        {"empty", ""},
                                        {"Mixed Case Name.txt", "mixed"}}};
                     },
                     [](Case& c) {
                       // FAT keeps even seconds, exFAT through FUSE whole ones: the time goes up to
                       // the next one it can keep, never down.
                       const std::int64_t step = Fat(c.kind) ? 2 : 1;
                       for (const char* name :
                            {"odd second.txt", "sub/even.bin", "sub/deeper/fraction", "empty"}) {
                         const struct stat source = Stat(c.Src(name));
                         const struct stat copy = Stat(c.Out(name));
                         std::int64_t expected = source.st_mtim.tv_sec;
                         if (step > 1 || c.kind == VolumeKind::kExfat) {
                           if (source.st_mtim.tv_nsec > 0) ++expected;
                           expected += expected % step;
                         }
                         EXPECT_EQ(copy.st_mtim.tv_sec, expected) << name;
                       }
                       // The next run against this backup finds nothing to copy.
                       ProgramResult again =
                           RunProgram({GREBEWICK_CLI, "--dest", c.work + "/next", "--source", c.src,
                                       "--compare", c.Out(), "--date", kDate, "--mkpath"});
                       EXPECT_EQ(again.exit_status, 0) << again.err;
                       EXPECT_THAT(again.err, HasSubstr("コピー対象となるファイルはありません。"));
                     }});

  // FAT and exFAT count years from 1980 in seven bits; their FUSE drivers wrap a time outside
  // (fusefat keeps 1970 as 2098, both keep 2200 as 2072), so the copy's time is moved into the
  // range. The runs are in UTC, as the fusefat daemon is.
  rows.push_back(
      Row{"times before 1980 and after 2107 are kept as the nearest FAT holds", WindowsNames,
          [](Case& c) {
            WriteFile(c.Src("1970.txt"), "old", k1970);
            WriteFile(c.Src("2200.txt"), "future", k2200);
            WriteFile(c.Src("2000.txt"), "plain", kT);
          },
          [](Case& c) { return RunProgram(InUtc(c.Job())); },
          [](const Case&) {
            return Expected{0,
                            {"3 of 3 files copied"},
                            {},
                            {{"1970.txt", "old"}, {"2200.txt", "future"}, {"2000.txt", "plain"}}};
          },
          [](Case& c) {
            EXPECT_EQ(Stat(c.Out("1970.txt")).st_mtim.tv_sec, kFatEarliest);
            EXPECT_EQ(Stat(c.Out("2200.txt")).st_mtim.tv_sec, kFatLatest);
            // An edit of the old file is newer than its copy; the future file, whose copy had to be
            // older, is taken again; the rest is unchanged.
            WriteFile(c.Src("1970.txt"), "new");  // the same size: only the time tells
            ProgramResult next =
                RunProgram(InUtc({GREBEWICK_CLI, "--dest", c.work + "/next", "--source", c.src,
                                  "--compare", c.Out(), "--date", kDate, "--mkpath", "--dry-run"}));
            EXPECT_EQ(next.exit_status, 0) << next.err;
            EXPECT_THAT(next.out, HasSubstr(c.Src("1970.txt")));
            EXPECT_THAT(next.out, HasSubstr(c.Src("2200.txt")));
            EXPECT_THAT(next.out, Not(HasSubstr(c.Src("2000.txt"))));
          }});

  // A medium that answers a change of times with success and keeps the time it had (here
  // the copy's creation, now) would make every later edit of the source look older than the
  // copy: the copy fails and goes. The first change of times is the probe's.
  rows.push_back(Row{"a time the medium does not keep as given fails the copy", KeepsUnixModes,
                     [](Case& c) { WriteFile(c.Src("f"), "f", kT); },
                     [](Case& c) {
                       std::vector<std::string> command = c.Strace();
                       command.insert(command.end(), {"-e", "trace=utimensat", "-e",
                                                      "inject=utimensat:retval=0:when=2"});
                       std::vector<std::string> job = c.Job();
                       command.insert(command.end(), job.begin(), job.end());
                       return RunProgram(command);
                     },
                     [](const Case& c) {
                       return Expected{1,
                                       {c.Failed("f"), c.Out("f") + "): the destination kept ",
                                        " as the time 2000-06-26 12:05:07;",
                                        "later changes of the source would look older"},
                                       {},
                                       {}};
                     },
                     nullptr});

  rows.push_back(Row{
      "folders keep their source's permissions, and as root its owners", Everywhere,
      [](Case& c) {
        WriteFile(c.Src("private/secret"), "s", kT);
        WriteFile(c.Src("shared/readme"), "r", kT);
        WriteFile(c.Src("read-only/inside"), "i", kT);
        ASSERT_EQ(::chmod(c.Src("private/secret").c_str(), 0600), 0);
        ASSERT_EQ(::chmod(c.Src("private").c_str(), 0700), 0);
        ASSERT_EQ(::chown(c.Src("private").c_str(), 4321, 4322), 0);
        ASSERT_EQ(::chown(c.Src("private/secret").c_str(), 4321, 4322), 0);
        ASSERT_EQ(::chmod(c.Src("read-only").c_str(), 0555), 0);
      },
      nullptr,
      [](const Case& c) {
        Expected expected{
            0,
            {"3 of 3 files copied"},
            {},
            {{"private/secret", "s"}, {"shared/readme", "r"}, {"read-only/inside", "i"}}};
        // FAT refuses permissions and owners, and the run says so once.
        if (Fat(c.kind)) expected.said.push_back("the destination does not keep permission bits");
        return expected;
      },
      [](Case& c) {
        const std::string err = c.result.err;
        std::size_t notes = 0;
        for (std::size_t at = 0; (at = err.find("does not keep", at)) != std::string::npos; ++at) {
          ++notes;
        }
        EXPECT_LE(notes, 1u);
        if (!KeepsUnixModes(c.kind)) return;
        for (const char* name :
             {"private", "private/secret", "shared", "read-only", "read-only/inside"}) {
          const struct stat source = Stat(c.Src(name));
          const struct stat copy = Stat(c.Out(name));
          EXPECT_EQ(copy.st_mode & 07777, source.st_mode & 07777) << name;
          EXPECT_EQ(copy.st_uid, source.st_uid) << name;
          EXPECT_EQ(copy.st_gid, source.st_gid) << name;
        }
      }});

  rows.push_back(Row{
      "a link below the destination is never followed", HoldsLinks,
      [](Case& c) {
        WriteFile(c.Src("f"), "f", kT);
        MakeFolders(c.dest + "/" + kDate);
        MakeFolders(c.dest + "/elsewhere");
        // The first folder of the source's path, inside the date folder, leads elsewhere.
        const std::string first = c.src.substr(1, c.src.find('/', 1) - 1);
        ASSERT_EQ(::symlink("../elsewhere", (c.dest + "/" + kDate + "/" + first).c_str()), 0);
      },
      nullptr,
      [](const Case&) {
        return Expected{3,
                        {"フォルダ作成エラー: フォルダが作成できませんでした。",
                         "a symbolic link is in the way"},
                        {},
                        {}};
      },
      [](Case& c) {
        EXPECT_EQ(FilesBelow(c.dest + "/elsewhere"), std::vector<std::string>{});
        // The destination the user names may itself be a link.
        const std::string link = c.work + "/dest-link";
        ASSERT_EQ(::symlink(c.dest.c_str(), link.c_str()), 0);
        ProgramResult through =
            RunProgram({GREBEWICK_CLI, "--dest", link, "--source", c.src, "--date", "20250102"});
        EXPECT_EQ(through.exit_status, 0) << through.err;
        EXPECT_EQ(ReadFile(c.dest + "/20250102" + c.src + "/f"), "f");
      }});

  rows.push_back(Row{
      "a source that vanishes before its copy fails alone", Everywhere,
      [](Case& c) {
        WriteFile(c.Src("stays"), "stays", kT);
        // Larger than the files read ahead of their copy: those are copied as they were read.
        WriteFile(c.Src("vanishes"), Pattern(512 << 10, 3), kT);
      },
      [](Case& c) {
        // Stopped at the copy's first look at the file; it is gone when the copy goes on.
        return Stopping(c, c.Src("vanishes"),
                        {"-e", "trace=newfstatat", "-e", "inject=newfstatat:signal=SIGSTOP:when=1"},
                        [&](int) { ::unlink(c.Src("vanishes").c_str()); });
      },
      [](const Case& c) {
        return Expected{1, {c.Failed("vanishes"), "such file"}, {}, {{"stays", "stays"}}};
      },
      nullptr});

  rows.push_back(
      Row{"an unreadable source fails alone", Everywhere,
          [](Case& c) {
            WriteFile(c.Src("open"), "open", kT);
            WriteFile(c.Src("secret"), "s", kT);
          },
          [](Case& c) {
            return RunProgram(c.Traced(c.Src("secret"),
                                       {"-e", "trace=openat", "-e", "inject=openat:error=EACCES"}));
          },
          [](const Case& c) {
            return Expected{1, {c.Failed("secret"), "Permission denied"}, {}, {{"open", "open"}}};
          },
          nullptr});

  rows.push_back(
      Row{"a destination that cannot be made ends the run", Everywhere,
          [](Case& c) {
            WriteFile(c.Src("f"), "f", kT);
            WriteFile(c.dest + "/" + kDate, "a file where the date folder goes");
          },
          nullptr,
          [](const Case&) {
            return Expected{
                3,
                {"フォルダ作成エラー: フォルダが作成できませんでした。\n処理を中止します。"},
                {},
                {},
                false};
          },
          [](Case& c) {
            EXPECT_EQ(ReadFile(c.dest + "/" + kDate), "a file where the date folder goes");
          }});

  rows.push_back(
      Row{"a full disk fails only what does not fit and leaves no partial file",
          [](VolumeKind kind) { return kind != VolumeKind::kXfs && kind != VolumeKind::kBtrfs; },
          [](Case& c) {
            WriteFile(c.Src("big"), Pattern(4 << 20, 3), kT);
            WriteFile(c.Src("small"), "small", kT);
            MakeFolders(c.dest);
            Fill(c.dest, 1 << 20);
          },
          [](Case& c) {
            ProgramResult result = Plain(c);
            ::unlink((c.dest + "/filler").c_str());  // the other cases need the room
            return result;
          },
          [](const Case& c) {
            return Expected{1, {c.Failed("big")}, {}, {{"small", "small"}}};
          },
          nullptr});

  rows.push_back(
      Row{"a file-size limit fails only the files over it",
          [](VolumeKind kind) { return kind == VolumeKind::kTmpfs; },
          [](Case& c) {
            WriteFile(c.Src("big"), Pattern(200 << 10, 6), kT);
            WriteFile(c.Src("small"), "small", kT);
          },
          [](Case& c) {
            // 64 KiB: the write that crosses it fails (EFBIG) instead of killing the program.
            return RunProgram(c.Job(), "", "ulimit -f 128;");
          },
          [](const Case& c) {
            return Expected{1, {c.Failed("big"), "File too large"}, {}, {{"small", "small"}}};
          },
          nullptr});

  rows.push_back(Row{
      "a source written during its copy is copied again", Everywhere,
      [](Case& c) { WriteFile(c.Src("grows.log"), Pattern(3 << 20, 4), kT); },
      [](Case& c) {
        return Stopping(
            c, c.Src("grows.log"), {"-e", "trace=read", "-e", "inject=read:signal=SIGSTOP:when=2"},
            [&](int) { std::ofstream(c.Src("grows.log"), std::ios::app) << "one more line\n"; });
      },
      [](const Case&) {
        return Expected{0,
                        {"1 of 1 files copied"},
                        {},
                        {{"grows.log", Pattern(3 << 20, 4) + "one more line\n"}}};
      },
      nullptr});

  rows.push_back(Row{"a source that keeps changing is not copied", Everywhere,
                     [](Case& c) {
                       WriteFile(c.Src("busy.log"), Pattern(3 << 20, 5), kT);
                       WriteFile(c.Src("calm"), "calm", kT);
                     },
                     [](Case& c) {
                       return Stopping(
                           c, c.Src("busy.log"),
                           {"-e", "trace=read", "-e", "inject=read:signal=SIGSTOP:when=2+"},
                           [&](int) { std::ofstream(c.Src("busy.log"), std::ios::app) << "x"; });
                     },
                     [](const Case& c) {
                       return Expected{1,
                                       {c.Failed("busy.log"), "changed while it was copied, twice"},
                                       {},
                                       {{"calm", "calm"}}};
                     },
                     nullptr});

  rows.push_back(Row{"Ctrl-C during a long copy abandons it", Everywhere, LongAndFirst,
                     [](Case& c) {
                       // Ctrl-C as the copy opens the file; every part of it takes a third of a
                       // second.
                       return RunProgram(c.Traced(
                           c.Src("long"), {"-e", "trace=newfstatat,read,copy_file_range", "-e",
                                           "inject=newfstatat:signal=SIGINT:when=2", "-e",
                                           "inject=read,copy_file_range:delay_exit=300000"}));
                     },
                     [](const Case&) {
                       return Expected{
                           3,
                           {"ｷｬﾝｾﾙ確認: キャンセルして良いですか？", "1 of 2 files copied"},
                           {},
                           {{"sub/first", "copied before"}}};
                     },
                     nullptr});

  rows.push_back(
      Row{"a medium with a fixed cost per call is copied in growing parts", Everywhere,
          [](Case& c) { WriteFile(c.Src("far"), Pattern(4 << 20, 7), kT); },
          [](Case& c) {
            // 0.1 s on every read and kernel copy of the file, whatever its size: parts that
            // shrank would take forty calls and more.
            return RunProgram(
                c.Traced(c.Src("far"), {"-e", "trace=read,copy_file_range", "-e",
                                        "inject=read,copy_file_range:delay_exit=100000"}));
          },
          [](const Case&) {
            return Expected{0, {"1 of 1 files copied"}, {}, {{"far", Pattern(4 << 20, 7)}}};
          },
          [](Case& c) {
            EXPECT_LE(CallsIn(c.Log(), {"read(", "copy_file_range("}), 8);
          }});

  rows.push_back(
      EndedBySignal("SIGTERM during a copy ends the run as a confirmed cancel", "SIGTERM"));
  rows.push_back(
      EndedBySignal("SIGHUP during a copy ends the run as a confirmed cancel", "SIGHUP"));

  rows.push_back(Row{
      "a killed run leaves nothing half-written under any name", MakesUnnamedFiles, LongAndFirst,
      [](Case& c) {
        EXPECT_EQ(RunProgram(c.Traced(c.Src("long"), {"-e", "trace=read", "-e",
                                                      "inject=read:signal=SIGKILL:when=2"}))
                      .exit_status,
                  128 + SIGKILL);
        EXPECT_EQ(TemporaryFileIn(c.Out()), "");
        EXPECT_FALSE(Exists(c.Out("long")));
        return Plain(c);
      },
      [](const Case&) {
        return Expected{0,
                        {"2 of 2 files copied"},
                        {},
                        {{"sub/first", "copied before"}, {"long", Pattern(4 << 20, 1)}}};
      },
      nullptr});

  rows.push_back(
      Row{"a killed run's temporary file goes with the next run, a live run's stays",
          [](VolumeKind kind) { return !MakesUnnamedFiles(kind); }, LongAndFirst,
          [](Case& c) {
            // Killed in the middle of the long copy: its temporary file stays behind.
            EXPECT_EQ(RunProgram(c.Traced(c.Src("long"), {"-e", "trace=read", "-e",
                                                          "inject=read:signal=SIGKILL:when=2"}))
                          .exit_status,
                      128 + SIGKILL);
            const std::string left = TemporaryFileIn(c.Out());
            EXPECT_NE(left, "") << "the killed run left no temporary file";
            // A live run, stopped in the middle of the same copy, holds its own.
            Child live(c.Traced(c.Src("long"),
                                {"-e", "trace=read", "-e", "inject=read:signal=SIGSTOP:when=2"}),
                       c.work);
            pid_t stopped = live.WaitForStop(c.Log(), 1);
            std::string held;
            for (const auto& entry : std::filesystem::directory_iterator(c.Out())) {
              const std::string path = entry.path().string();
              if (path != left && path.find("/.grebewick-") != std::string::npos) held = path;
            }
            EXPECT_NE(held, "");
            // The next run removes the killed run's file and leaves the live one's.
            ProgramResult next = Plain(c);
            EXPECT_EQ(next.exit_status, 0) << next.err;
            EXPECT_FALSE(Exists(left));
            EXPECT_TRUE(Exists(held));
            if (stopped > 0) ::kill(stopped, SIGCONT);
            return live.Wait();
          },
          [](const Case&) {
            return Expected{0,
                            {"2 of 2 files copied"},
                            {},
                            {{"sub/first", "copied before"}, {"long", Pattern(4 << 20, 1)}}};
          },
          nullptr});

  rows.push_back(Row{
      "a failed flush is a failure", Everywhere, [](Case& c) { WriteFile(c.Src("f"), "f", kT); },
      [](Case& c) {
        std::vector<std::string> command = c.Strace();
        command.insert(command.end(), {"-e", "trace=syncfs", "-e", "inject=syncfs:error=EIO"});
        std::vector<std::string> job = c.Job();
        command.insert(command.end(), job.begin(), job.end());
        return RunProgram(command);
      },
      [](const Case& c) {
        return Expected{1,
                        {"コピーエラー: コピーしたファイルをディスクに書き込めませんでした。\n" +
                             c.dest + "/" + kDate,
                         "syncfs(" + c.dest},
                        {},
                        {{"f", "f"}}};
      },
      nullptr});

  rows.push_back(Row{
      "names the destination cannot hold fail with the reason", WindowsMedia,
      [](Case& c) {
        for (const char* name : {"ok.txt", "a:b.txt", "what?", "dot.", "space ", "ctl\x01.txt",
                                 "caf\xE9.txt", "日本語 ファイル.txt"}) {
          WriteFile(c.Src(name), name, kT);
        }
      },
      nullptr,
      [](const Case& c) {
        if (c.kind == VolumeKind::kNtfs) {
          // NTFS through ntfs-3g holds what exFAT and FAT refuse, except names that are not
          // text.
          return Expected{1,
                          {c.Failed("caf\xE9.txt")},
                          {},
                          {{"ok.txt", "ok.txt"},
                           {"a:b.txt", "a:b.txt"},
                           {"what?", "what?"},
                           {"dot.", "dot."},
                           {"space ", "space "},
                           {"ctl\x01.txt", "ctl\x01.txt"},
                           {"日本語 ファイル.txt", "日本語 ファイル.txt"}}};
        }
        Expected expected{
            1,
            {c.Failed("a:b.txt"), "\"a:b.txt\": it contains ':'", c.Failed("what?"),
             "it contains '?'", "\"dot.\": it ends with a dot", "\"space \": it ends with a space",
             "it contains a control character", "it is not valid UTF-8 text"},
            {},
            {{"ok.txt", "ok.txt"}}};
        // FAT through fusefat takes ASCII names only; exFAT holds any text.
        if (Fat(c.kind)) {
          expected.said.push_back("it has characters beyond ASCII");
        } else {
          expected.kept["日本語 ファイル.txt"] = "日本語 ファイル.txt";
        }
        return expected;
      },
      nullptr});

  rows.push_back(Row{
      "a folder name the destination cannot hold fails its files, not the run", WindowsNames,
      [](Case& c) {
        WriteFile(c.Src("ok.txt"), "ok", kT);
        WriteFile(c.Src("a:b/f.txt"), "f", kT);
        WriteFile(c.Src("a:b/g.txt"), "g", kT);
        WriteFile(c.Src("caf\xE9/h.txt"), "h", kT);
        WriteFile(c.Src("zz/i.txt"), "i", kT);
      },
      nullptr,
      [](const Case& c) {
        return Expected{1,
                        {c.Failed("a:b/f.txt"), c.Failed("a:b/g.txt"), c.Failed("caf\xE9/h.txt"),
                         "the destination cannot hold this name: it contains ':'",
                         "it is not valid UTF-8 text"},
                        {"処理を中止します。"},
                        {{"ok.txt", "ok"}, {"zz/i.txt", "i"}}};
      },
      nullptr});

  rows.push_back(Row{"names that differ only in case are never confused", Everywhere,
                     [](Case& c) {
                       WriteFile(c.Src("Case.txt"), "mixed", kT);
                       WriteFile(c.Src("CASE.TXT"), "upper", kT);
                     },
                     nullptr,
                     [](const Case& c) {
                       if (!WindowsNames(c.kind)) {
                         return Expected{0, {}, {}, {{"Case.txt", "mixed"}, {"CASE.TXT", "upper"}}};
                       }
                       // Which of the two comes first is the listing's order; the second fails.
                       return Expected{1, {"letter case does not count there"}, {}, {}, false};
                     },
                     [](Case& c) {
                       if (!WindowsNames(c.kind)) return;
                       const std::vector<std::string> kept = Copies(c.dest);
                       ASSERT_EQ(kept.size(), 1u);
                       const bool mixed = kept[0] == c.Kept("Case.txt");
                       EXPECT_EQ(ReadFile(c.dest + "/" + kept[0]), mixed ? "mixed" : "upper");
                       EXPECT_THAT(c.result.err,
                                   HasSubstr(c.Failed(mixed ? "CASE.TXT" : "Case.txt")));
                     }});

  rows.push_back(
      Row{"a file larger than FAT holds fails before anything is written", Fat,
          [](Case& c) {
            WriteFile(c.Src("small"), "small", kT);
            WriteFile(c.Src("huge.img"), "", kT);
            ASSERT_EQ(::truncate(c.Src("huge.img").c_str(), (4ll << 30) + 1), 0);  // sparse
          },
          nullptr,
          [](const Case& c) {
            return Expected{1,
                            {c.Failed("huge.img"),
                             "4,294,967,297 bytes is more than the destination holds in one file "
                             "(4,294,967,295 bytes)"},
                            {},
                            {{"small", "small"}}};
          },
          nullptr});

  return rows;
}

class FaultSuite : public ::testing::TestWithParam<VolumeKind> {};

TEST_P(FaultSuite, EveryCase) {
  if (!HasStrace()) GTEST_SKIP() << "strace is not installed (scripts/setup installs it)";
  MountedVolume volume(GetParam());
  if (!volume.error().empty()) {
    GTEST_SKIP() << VolumeName(GetParam()) << " cannot be mounted here: " << volume.error();
  }
  TempDir work;
  const std::vector<Row> rows = Rows();
  std::vector<Case> cases(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    Case& c = cases[i];
    if (!row.applies(GetParam())) continue;
    SCOPED_TRACE(row.name);
    c.kind = GetParam();
    c.work = work / ("case" + std::to_string(i));
    c.src = c.work + "/src";
    c.dest = volume.path() + "/case" + std::to_string(i);
    MakeFolders(c.src);
    row.prepare(c);
    if (::testing::Test::HasFatalFailure()) return;
    c.result = row.run ? row.run(c) : Plain(c);
    const Expected expected = row.expect(c);
    EXPECT_EQ(c.result.exit_status, expected.exit_status) << c.result.err;
    for (const std::string& text : expected.said) EXPECT_THAT(c.result.err, HasSubstr(text));
    for (const std::string& text : expected.not_said) {
      EXPECT_THAT(c.result.err, Not(HasSubstr(text)));
    }
  }

  ASSERT_TRUE(volume.Remount()) << volume.error();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    Case& c = cases[i];
    if (!row.applies(GetParam())) continue;
    SCOPED_TRACE(std::string(row.name) + " (after mounting again)");
    const Expected expected = row.expect(c);
    if (expected.only_kept) {
      std::vector<std::string> kept_names;
      for (const auto& [name, content] : expected.kept) kept_names.push_back(c.Kept(name));
      std::sort(kept_names.begin(), kept_names.end());
      EXPECT_EQ(Copies(c.dest), kept_names);
      // A copy that failed never gets a hash: each date folder's record names exactly the
      // copies there, and they read back as recorded.
      EXPECT_EQ(Recorded(c.dest), kept_names);
      if (!kept_names.empty()) {
        ProgramResult verify = RunProgram({GREBEWICK_CLI, "--verify", "--dest", c.dest});
        EXPECT_EQ(verify.exit_status, 0) << verify.err;
      }
      for (const auto& [name, content] : expected.kept) {
        EXPECT_TRUE(SameBytes(ReadFile(c.Out(name)), content)) << name;
      }
    }
    if (row.check) row.check(c);
  }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, FaultSuite,
                         ::testing::Values(VolumeKind::kTmpfs, VolumeKind::kExt4, VolumeKind::kXfs,
                                           VolumeKind::kBtrfs, VolumeKind::kFat32,
                                           VolumeKind::kExfat, VolumeKind::kNtfs),
                         [](const ::testing::TestParamInfo<VolumeKind>& info) {
                           std::string name = VolumeName(info.param);
                           return name;
                         });

// Extraction onto the same file systems: grebewick-cli --extract-archive (and
// --test-archive, --list-archive) with archives the cases build byte by byte, checked as the
// copies are, and again after the file system was mounted anew.

using unlha32::test::Archive;
using unlha32::test::Bytes;
using unlha32::test::HeaderBuilder;

constexpr std::uint32_t kStored = 961988707;  // an odd second

Bytes ModeBytes(std::uint16_t mode) {
  return Bytes{static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(mode >> 8)};
}

// A stored (-lh0-) level 2 member at `path` ("folder/name"), as LHa for UNIX writes one.
Bytes Member(const std::string& path, const std::string& content,
             std::optional<std::uint16_t> mode = std::nullopt, std::uint32_t stamp = kStored) {
  const std::size_t slash = path.rfind('/');
  HeaderBuilder member{.level = 2,
                       .method = "-lh0-",
                       .data = content,
                       .original = static_cast<std::uint32_t>(content.size()),
                       .stamp = stamp,
                       .name = slash == std::string::npos ? path : path.substr(slash + 1),
                       .data_crc = unlha32::Crc16(std::span(
                           reinterpret_cast<const std::uint8_t*>(content.data()), content.size())),
                       .os = 'U'};
  if (slash != std::string::npos) {
    std::string folder = path.substr(0, slash + 1);
    std::replace(folder.begin(), folder.end(), '/', '\xFF');
    member.exts.push_back({0x02, Bytes(folder.begin(), folder.end())});
  }
  if (mode) member.exts.push_back({0x50, ModeBytes(*mode)});
  return member.Build();
}

Bytes FolderMember(const std::string& path, std::uint16_t mode) {
  std::string folder = path + "\xFF";
  std::replace(folder.begin(), folder.end(), '/', '\xFF');
  return HeaderBuilder{
      .level = 2,
      .method = "-lhd-",
      .data = "",
      .original = 0,
      .stamp = kStored,
      .name = "",
      .data_crc = 0,
      .os = 'U',
      .exts = {{0x02, Bytes(folder.begin(), folder.end())}, {0x50, ModeBytes(mode)}}}
      .Build();
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A small file, then a long one: a signal on the archive's third read comes in the middle of
// the long one.
Bytes FirstAndLong() {
  return Archive({Member("first", "extracted before"), Member("long", Pattern(4 << 20, 8))});
}

struct XCase {
  VolumeKind kind;
  std::string work;     // the case's own folder, not on the volume
  std::string archive;  // in `work`
  std::string out;      // on the volume
  ProgramResult result;

  std::string Log() const { return work + "/strace.log"; }
  std::vector<std::string> Extract(const std::string& archive_path) const {
    return {GREBEWICK_CLI, "--extract-archive", archive_path, out};
  }
  std::vector<std::string> Extract() const { return Extract(archive); }
  // `command` under strace, which watches only the archive and does `options` to its calls.
  std::vector<std::string> Traced(std::vector<std::string> options,
                                  std::vector<std::string> command) const {
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    std::vector<std::string> traced = {
        "/usr/bin/env",
        std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "") + ":detect_leaks=0",
        "/usr/bin/strace",
        "-f",
        "-o",
        Log(),
        "-P",
        archive};
    traced.insert(traced.end(), options.begin(), options.end());
    traced.insert(traced.end(), command.begin(), command.end());
    return traced;
  }
};

struct XRow {
  const char* name;
  bool (*applies)(VolumeKind);
  std::function<void(XCase&)> prepare;  // writes the archive and the state of `out`
  std::function<ProgramResult(XCase&)> run;
  std::function<Expected(const XCase&)> expect;  // `kept` relative to `out`
  std::function<void(XCase&)> check;
};

XRow StoppedBySignal(const char* name, const char* signal, bool testing) {
  return XRow{
      name,
      Everywhere,
      [](XCase& c) { WriteBytes(c.archive, FirstAndLong()); },
      [signal, testing](XCase& c) {
        std::vector<std::string> command =
            testing ? std::vector<std::string>{GREBEWICK_CLI, "--test-archive", c.archive}
                    : c.Extract();
        return RunProgram(c.Traced(
            {"-e", "trace=read", "-e", std::string("inject=read:signal=") + signal + ":when=3"},
            command));
      },
      [testing](const XCase&) {
        Expected expected{3, {"ﾕｰｻﾞｰによって解凍を中断されました。"}, {}, {}};
        if (!testing) expected.kept = {{"first", "extracted before"}};
        return expected;
      },
      nullptr};
}

std::vector<XRow> ExtractionRows() {
  std::vector<XRow> rows;

  rows.push_back(XRow{
      "members land byte for byte with times the medium keeps", Everywhere,
      [](XCase& c) {
        WriteBytes(
            c.archive,
            Archive({Member("odd second.txt", "alpha"),
                     Member("sub/deeper/b.bin", Pattern(300 << 10, 9), std::nullopt, kStored + 1),
                     Member("empty", ""), Member("Mixed Case.txt", "mixed")}));
      },
      nullptr,
      [](const XCase& c) {
        Expected expected{0,
                          {"4 of 4 member(s) extracted"},
                          {},
                          {{"odd second.txt", "alpha"},
                           {"sub/deeper/b.bin", Pattern(300 << 10, 9)},
                           {"empty", ""},
                           {"Mixed Case.txt", "mixed"}}};
        if (Fat(c.kind)) expected.said.push_back("the destination does not keep permission bits");
        if (KeepsUnixModes(c.kind)) expected.not_said.push_back("does not keep");
        return expected;
      },
      [](XCase& c) {
        // FAT keeps even seconds: up to the next one, never down.
        const std::int64_t odd = Fat(c.kind) ? kStored + 1 : kStored;
        EXPECT_EQ(Stat(c.out + "/odd second.txt").st_mtim.tv_sec, odd);
        EXPECT_EQ(Stat(c.out + "/sub/deeper/b.bin").st_mtim.tv_sec, kStored + 1);
        const std::string err = c.result.err;
        std::size_t notes = 0;
        for (std::size_t at = 0; (at = err.find("does not keep", at)) != std::string::npos; ++at) {
          ++notes;
        }
        EXPECT_LE(notes, 1u);
      }});

  rows.push_back(XRow{
      "a file there already is never replaced, and nothing is left half written", Everywhere,
      [](XCase& c) {
        WriteBytes(c.archive, Archive({Member("keep.txt", "new"), Member("fresh.txt", "fresh")}));
        WriteFile(c.out + "/keep.txt", "old");
      },
      nullptr,
      [](const XCase&) {
        return Expected{1,
                        {"keep.txt: exists, not replaced", "1 of 2 member(s) extracted"},
                        {},
                        {{"keep.txt", "old"}, {"fresh.txt", "fresh"}}};
      },
      nullptr});

  rows.push_back(XRow{
      "names the medium cannot hold fail with the reason", WindowsNames,
      [](XCase& c) {
        WriteBytes(c.archive, Archive({Member("ok.txt", "ok"), Member("ab:c.txt", "colon"),
                                       Member("what?", "question"), Member("bad:dir/x", "x")}));
      },
      nullptr,
      [](const XCase&) {
        return Expected{1,
                        {"ab:c.txt: not extracted: the destination cannot hold the name "
                         "\"ab:c.txt\": it contains ':'",
                         "what?: not extracted", "it contains '?'",
                         "bad:dir\\x: cannot create folder: mkdir(bad:dir): the destination "
                         "cannot hold this name: it contains ':'",
                         "1 of 4 member(s) extracted"},
                        {},
                        {{"ok.txt", "ok"}}};
      },
      nullptr});

  rows.push_back(
      XRow{"a member larger than FAT holds fails before anything is written", Fat,
           [](XCase& c) {
             // Sparse: the member's data is 4 GiB + 1 bytes of nothing, never read.
             HeaderBuilder huge{
                 .level = 2,
                 .method = "-lh0-",
                 .data = "",
                 .original = 0,
                 .stamp = kStored,
                 .name = "huge.img",
                 .os = 'U',
                 .exts = {{0x42, unlha32::test::LargeSizes((4ull << 30) + 1, (4ull << 30) + 1)}}};
             Bytes bytes = Member("small", "small");
             const Bytes header = huge.Build();
             bytes.insert(bytes.end(), header.begin(), header.end());
             WriteBytes(c.archive, bytes);
             const off_t end = static_cast<off_t>(bytes.size() + (4ull << 30) + 1);
             ASSERT_EQ(::truncate(c.archive.c_str(), end + 1), 0);  // the end mark, a zero byte
           },
           nullptr,
           [](const XCase&) {
             return Expected{1,
                             {"huge.img: not extracted: 4,294,967,297 bytes is more than the "
                              "destination holds in one file (4,294,967,295 bytes)"},
                             {},
                             {{"small", "small"}}};
           },
           nullptr});

  rows.push_back(StoppedBySignal("SIGTERM during an extraction stops it", "SIGTERM", false));
  rows.push_back(StoppedBySignal("SIGHUP during an extraction stops it", "SIGHUP", false));
  rows.push_back(StoppedBySignal("SIGINT during an extraction stops it", "SIGINT", false));
  rows.push_back(StoppedBySignal("SIGTERM during a test stops it", "SIGTERM", true));
  rows.push_back(StoppedBySignal("SIGINT during a test stops it", "SIGINT", true));

  rows.push_back(XRow{
      "a killed extraction's temporary file goes with the next one, a live one's stays", Everywhere,
      [](XCase& c) { WriteBytes(c.archive, FirstAndLong()); },
      [](XCase& c) {
        EXPECT_EQ(
            RunProgram(c.Traced({"-e", "trace=read", "-e", "inject=read:signal=SIGKILL:when=3"},
                                c.Extract()))
                .exit_status,
            128 + SIGKILL);
        const std::string left = TemporaryFileIn(c.out);
        EXPECT_NE(left, "") << "the killed extraction left no temporary file";
        ::unlink((c.out + "/first").c_str());
        // A live extraction, stopped in the middle of the same member, holds its own.
        Child live(
            c.Traced({"-e", "trace=read", "-e", "inject=read:signal=SIGSTOP:when=3"}, c.Extract()),
            c.work);
        pid_t stopped = live.WaitForStop(c.Log(), 1);
        std::string held;
        for (const auto& entry : std::filesystem::directory_iterator(c.out)) {
          const std::string path = entry.path().string();
          if (path != left && path.find("/.grebewick-") != std::string::npos) held = path;
        }
        EXPECT_NE(held, "");
        const std::string other = c.work + "/other.lzh";
        WriteBytes(other, Archive({Member("other", "other")}));
        ProgramResult next = RunProgram(c.Extract(other));
        EXPECT_EQ(next.exit_status, 0) << next.err;
        EXPECT_FALSE(Exists(left));
        EXPECT_TRUE(Exists(held));
        if (stopped > 0) ::kill(stopped, SIGCONT);
        return live.Wait();
      },
      [](const XCase&) {
        return Expected{
            0,
            {"2 of 2 member(s) extracted"},
            {},
            {{"first", "extracted before"}, {"long", Pattern(4 << 20, 8)}, {"other", "other"}}};
      },
      nullptr});

  rows.push_back(XRow{
      "permission bits are the member's less the umask, never set-id", KeepsUnixModes,
      [](XCase& c) {
        WriteBytes(c.archive,
                   Archive({FolderMember("dir", 040777), Member("dir/shared.txt", "s", 0100666),
                            Member("tool", "#!", 0100777), Member("setuid", "#!", 0104755)}));
      },
      [](XCase& c) { return RunProgram(c.Extract(), "", "umask 077;"); },
      [](const XCase&) {
        return Expected{0, {}, {}, {{"dir/shared.txt", "s"}, {"tool", "#!"}, {"setuid", "#!"}}};
      },
      [](XCase& c) {
        EXPECT_EQ(Stat(c.out + "/dir").st_mode & 07777, 0700u);
        EXPECT_EQ(Stat(c.out + "/dir/shared.txt").st_mode & 07777, 0600u);
        EXPECT_EQ(Stat(c.out + "/tool").st_mode & 07777, 0700u);
        EXPECT_EQ(Stat(c.out + "/setuid").st_mode & 07777, 0700u);
      }});

  rows.push_back(
      XRow{"a pattern that matches nothing is an error", Everywhere,
           [](XCase& c) {
             WriteBytes(c.archive, Archive({Member("a.txt", "a"), Member("b.txt", "b")}));
           },
           [](XCase& c) {
             std::vector<std::string> command = c.Extract();
             command.insert(command.end(), {"a*", "nothing*"});
             return RunProgram(command);
           },
           [](const XCase&) {
             return Expected{1, {"nothing*: no member matches"}, {}, {{"a.txt", "a"}}};
           },
           nullptr});

  rows.push_back(XRow{
      "a damaged or cut archive is listed as far as it reads, and says so", Everywhere,
      [](XCase& c) {
        std::vector<Bytes> members;
        for (const char* name : {"1", "2", "3", "4", "5", "6"})
          members.push_back(Member(name, name));
        Bytes bytes = Archive(members);
        std::size_t cut = 0;
        for (int i = 0; i < 3; ++i) cut += members[static_cast<std::size_t>(i)].size();
        MakeFolders(c.out);
        // Damaged in the fourth header (its method), and cut inside it.
        WriteBytes(c.out + "/damaged.lzh", unlha32::test::Flip(bytes, cut + 4));
        bytes.resize(cut + 10);
        WriteBytes(c.out + "/cut.lzh", bytes);
      },
      [](XCase& c) {
        return RunProgram({GREBEWICK_CLI, "--list-archive", c.out + "/cut.lzh"});
      },
      [](const XCase&) {
        return Expected{4, {"the archive is damaged or cut short; 3 member(s)"}, {}, {}, false};
      },
      [](XCase& c) {
        EXPECT_EQ(std::count(c.result.out.begin(), c.result.out.end(), '\n'), 3);
        ProgramResult test = RunProgram({GREBEWICK_CLI, "--test-archive", c.out + "/cut.lzh"});
        EXPECT_EQ(test.exit_status, 4) << test.err;
        ProgramResult damaged =
            RunProgram({GREBEWICK_CLI, "--list-archive", c.out + "/damaged.lzh"});
        EXPECT_EQ(damaged.exit_status, 4) << damaged.err;
        EXPECT_EQ(std::count(damaged.out.begin(), damaged.out.end(), '\n'), 3);
        EXPECT_THAT(damaged.err, HasSubstr("damaged or cut short"));
      }});

  rows.push_back(XRow{
      "a medium with a fixed cost per call is read in growing parts", Everywhere,
      [](XCase& c) { WriteBytes(c.archive, Archive({Member("far", Pattern(4 << 20, 10))})); },
      [](XCase& c) {
        // The same where writing costs 0.1 s a call: the file is written in growing parts.
        const std::string log = c.work + "/writes.log";
        // A sanitized build's leak checker cannot work in a traced program.
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        ProgramResult slow_writes = RunProgram(
            {"/usr/bin/env",
             std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "") + ":detect_leaks=0",
             "/usr/bin/strace", "-f", "-o", log, "-e", "trace=write", "-e",
             "inject=write:delay_exit=100000", GREBEWICK_CLI, "--extract-archive", c.archive,
             c.out + "/slow writes"});
        EXPECT_EQ(slow_writes.exit_status, 0) << slow_writes.err;
        // Parts of a fixed 64 KiB would take 64 calls. A sanitized build decodes several
        // times slower, so its first parts are written before the sizer has grown them.
        EXPECT_LE(CallsIn(log, {"write("}), sanitizer != nullptr ? 50 : 10);
        return RunProgram(
            c.Traced({"-e", "trace=read", "-e", "inject=read:delay_exit=100000"}, c.Extract()));
      },
      [](const XCase&) {
        return Expected{0,
                        {"1 of 1 member(s) extracted"},
                        {},
                        {{"far", Pattern(4 << 20, 10)}, {"slow writes/far", Pattern(4 << 20, 10)}}};
      },
      [](XCase& c) { EXPECT_LE(CallsIn(c.Log(), {"read("}), 8); }});

  return rows;
}

class ExtractionFaultSuite : public ::testing::TestWithParam<VolumeKind> {};

TEST_P(ExtractionFaultSuite, EveryCase) {
  if (!HasStrace()) GTEST_SKIP() << "strace is not installed (scripts/setup installs it)";
  MountedVolume volume(GetParam());
  if (!volume.error().empty()) {
    GTEST_SKIP() << VolumeName(GetParam()) << " cannot be mounted here: " << volume.error();
  }
  TempDir work;
  const std::vector<XRow> rows = ExtractionRows();
  std::vector<XCase> cases(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const XRow& row = rows[i];
    XCase& c = cases[i];
    if (!row.applies(GetParam())) continue;
    SCOPED_TRACE(row.name);
    c.kind = GetParam();
    c.work = work / ("case" + std::to_string(i));
    c.archive = c.work + "/archive.lzh";
    c.out = volume.path() + "/case" + std::to_string(i);
    MakeFolders(c.work);
    row.prepare(c);
    if (::testing::Test::HasFatalFailure()) return;
    c.result = row.run ? row.run(c) : RunProgram(c.Extract());
    const Expected expected = row.expect(c);
    EXPECT_EQ(c.result.exit_status, expected.exit_status) << c.result.out << c.result.err;
    for (const std::string& text : expected.said) {
      EXPECT_THAT(c.result.out + c.result.err, HasSubstr(text));
    }
    for (const std::string& text : expected.not_said) {
      EXPECT_THAT(c.result.out + c.result.err, Not(HasSubstr(text)));
    }
  }

  ASSERT_TRUE(volume.Remount()) << volume.error();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const XRow& row = rows[i];
    XCase& c = cases[i];
    if (!row.applies(GetParam())) continue;
    SCOPED_TRACE(std::string(row.name) + " (after mounting again)");
    const Expected expected = row.expect(c);
    if (expected.only_kept) {
      std::vector<std::string> kept_names;
      for (const auto& [name, content] : expected.kept) kept_names.push_back(name);
      std::sort(kept_names.begin(), kept_names.end());
      EXPECT_EQ(FilesBelow(c.out), kept_names);
      for (const auto& [name, content] : expected.kept) {
        EXPECT_TRUE(SameBytes(ReadFile(c.out + "/" + name), content)) << name;
      }
    }
    if (row.check) row.check(c);
  }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ExtractionFaultSuite,
                         ::testing::Values(VolumeKind::kTmpfs, VolumeKind::kExt4, VolumeKind::kXfs,
                                           VolumeKind::kBtrfs, VolumeKind::kFat32,
                                           VolumeKind::kExfat, VolumeKind::kNtfs),
                         [](const ::testing::TestParamInfo<VolumeKind>& info) {
                           return std::string(VolumeName(info.param));
                         });

}  // namespace
}  // namespace testing_support
