// grebewick-cli: the run without a window, for scripts, tests and benchmarks.

#include <signal.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/cli/archive_commands.h"
#include "app/cli/terminal_host.h"
#include "app/cli/terminal_text.h"
#include "archive/c_unlha.h"
#include "engine/common.h"
#include "engine/public_function.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "platform/search.h"
#include "platform/vb_error.h"

namespace {

// Exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitEndedEarly = 3;
constexpr int kExitArchiveUnreadable = 4;

constexpr char kNoComparison[] = "なし";

constexpr char kExitCodesHelp[] = R"(Exit status:
  0  done (also when nothing needed copying)
  1  done, but some copies failed (or some source folders could not be read)
  2  usage error
  3  the run ended early (cancel, refused destination, No after a failed copy)
  4  the archive could not be read or is damaged (--list-archive, --test-archive,
     --extract-archive; 1 when only writing extracted files failed)

Each --source starts a folder pair; a --compare belongs to the --source before it
("none" or "なし": no comparison, the default). Copies go to DEST/yyyymmdd/<source path>.
In printed names, control characters show as "?".)";

void OnInterrupt(int) { engine::CancelRequested = true; }

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a question being asked sees the interruption
  sigaction(SIGINT, &action, nullptr);
}

// An absolute form of `path` with "." and ".." resolved as text, so that a source folder
// always reappears below the destination's date folder and never beside it.
std::string AbsoluteFolder(const std::string& path) {
  std::string full = path;
  if (full.empty() || full[0] != '/') {
    full = platform::FileSystem::Default().CurrentFolder() + "/" + full;
  }
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) return "/";
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result;
}

bool IsValidDate(const std::string& text) {
  if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  int year = std::stoi(text.substr(0, 4));
  int month = std::stoi(text.substr(4, 2));
  int day = std::stoi(text.substr(6, 2));
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

// Warns about source and comparison folders that cannot be used: the run itself treats them
// as empty, which is right for the decision but easy to overlook.
void WarnAboutFolders(const cli::Job& job) {
  platform::FileSystem& fs = platform::FileSystem::Default();
  auto check = [&](const std::string& folder, const char* role) {
    platform::EntryInfo info;
    platform::Status status = fs.Probe(folder, &info);
    if (!status.ok()) {
      std::fprintf(stderr, "grebewick-cli: warning: %s folder %s: %s\n", role,
                   cli::Printable(folder).c_str(), cli::Printable(status.message()).c_str());
    } else if (info.kind != platform::EntryKind::kFolder) {
      std::fprintf(
          stderr, "grebewick-cli: warning: %s folder %s %s\n", role, cli::Printable(folder).c_str(),
          info.kind == platform::EntryKind::kMissing ? "does not exist" : "is not a folder");
    }
  };
  for (const cli::FolderPair& pair : job.pairs) {
    check(pair.source, "source");
    if (pair.comparison != kNoComparison) check(pair.comparison, "comparison");
  }
}

// --list-archive: the archive object's ten fields of every member, one line each.
int ListArchive(const std::string& path) {
  const std::string library = platform::SearchPath(platform::ArchiveLibraryFileName());
  if (library.empty()) {
    std::fprintf(stderr, "grebewick-cli: the archive library %s was not found\n",
                 std::string(platform::ArchiveLibraryFileName()).c_str());
    return kExitArchiveUnreadable;
  }
  cli::TerminalHost messages(cli::Job(), cli::Answers(), stdin, stderr);
  archive::cUnLHA unlha(library, messages);
  if (!unlha.usable()) return kExitArchiveUnreadable;
  // An archive that fails the check is still listed as far as it can be read (a truncated
  // one, say), but the exit status says it was not whole.
  const bool whole = unlha.CheckArchive(path);
  if (!whole) {
    std::fprintf(stderr, "grebewick-cli: %s is not a readable LZH archive\n",
                 cli::Printable(path).c_str());
  }
  std::int16_t count;
  try {
    count = unlha.SetArcFile(path);
  } catch (const platform::VbError& error) {
    std::fprintf(stderr, "grebewick-cli: %s: %s\n", cli::Printable(path).c_str(), error.what());
    return kExitArchiveUnreadable;
  }
  if (messages.boxes_shown() > 0) return kExitArchiveUnreadable;
  for (std::int16_t i = 0; i < count; ++i) {
    std::string line = cli::Printable(unlha.FileName(i)) + "\t" +
                       cli::Printable(unlha.FilePath(i)) + "\t" + unlha.FileOriginal(i) + "\t" +
                       unlha.FilePacked(i) + "\t" + unlha.FileRatio(i) + "\t" + unlha.FileDate(i) +
                       "\t" + unlha.FileTime(i) + "\t" + unlha.FileAttr(i) + "\t" +
                       unlha.FileType(i) + "\t" + unlha.FileCRC(i) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return whole ? kExitDone : kExitArchiveUnreadable;
}

int ExitStatusOf(engine::RunOutcome outcome, const engine::RunStats& stats) {
  switch (outcome) {
    case engine::RunOutcome::kCompleted:
    case engine::RunOutcome::kNothingToCopy:
      return stats.unreadable_folders > 0 ? kExitSomeFailed : kExitDone;
    case engine::RunOutcome::kCompletedWithFailures:
      return kExitSomeFailed;
    default:
      return kExitEndedEarly;
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"grebewick-cli: copies the files that changed since the last backup"};
  app.footer(kExitCodesHelp);
  app.set_version_flag("--version", "grebewick-cli 1.0.1");

  cli::Job job;
  std::string usage_error;
  std::string date;
  std::string list_archive;
  std::string test_archive;
  std::vector<std::string> extract_archive;
  bool no_subfolders = false;
  bool no_lha = false;
  bool any_folder = false;
  bool dry_run = false;
  bool yes = false;
  bool no = false;
  bool quiet = false;

  app.add_option("--dest", job.destination, "Destination folder (the date folder goes below it)")
      ->type_name("DIR");
  app.add_option_function<std::string>(
         "--source",
         [&](const std::string& folder) {
           job.pairs.push_back(cli::FolderPair{AbsoluteFolder(folder), kNoComparison});
         },
         "Source folder; starts a folder pair (repeatable)")
      ->type_name("DIR")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->trigger_on_parse();
  app.add_option_function<std::string>(
         "--compare",
         [&](const std::string& folder) {
           if (job.pairs.empty() || job.pairs.back().comparison != kNoComparison) {
             if (usage_error.empty()) {
               usage_error = "--compare " + folder + " must follow its own --source";
             }
             return;
           }
           job.pairs.back().comparison =
               folder == "none" || folder == kNoComparison ? kNoComparison : AbsoluteFolder(folder);
         },
         "Comparison folder of the --source before it, or 'none' (repeatable)")
      ->type_name("DIR|none")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->trigger_on_parse();
  app.add_flag("--no-subfolders", no_subfolders, "Only the source folders themselves");
  app.add_flag("--no-lha", no_lha, "Do not read LZH archives in comparison folders");
  app.add_flag("--any-folder", any_folder,
               "An archive member counts wherever its stored folder is");
  app.add_option("--date", date, "Name of the date folder (default: today, local time)")
      ->type_name("YYYYMMDD");
  app.add_flag("--dry-run", dry_run,
               "Search only; print SOURCE<TAB>DESTINATION per file to copy and create nothing");
  auto* yes_flag = app.add_flag("--yes", yes, "After a failed copy, go on with the rest");
  app.add_flag("--no", no, "After a failed copy, stop")->excludes(yes_flag);
  app.add_flag("--quiet", quiet, "No progress line, notes or information messages");
  app.add_option("--list-archive", list_archive,
                 "List the members of an LZH archive, one TAB-separated line each")
      ->type_name("FILE");
  app.add_option("--test-archive", test_archive,
                 "Check every member of an LZH archive; one line per damaged member")
      ->type_name("FILE");
  app.add_option("--extract-archive", extract_archive,
                 "Extract the members (those matching a PATTERN) below DIR")
      ->type_name("FILE DIR [PATTERN]")
      ->expected(2, -1);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  auto usage = [&](const std::string& message) {
    std::fprintf(stderr, "grebewick-cli: %s\nRun with --help for more information.\n",
                 message.c_str());
    return kExitUsage;
  };
  if (!usage_error.empty()) return usage(usage_error);
  if (!list_archive.empty()) return ListArchive(list_archive);
  if (!test_archive.empty()) return cli::TestArchive(test_archive);
  if (!extract_archive.empty()) {
    return cli::ExtractArchive(extract_archive[0], extract_archive[1],
                               {extract_archive.begin() + 2, extract_archive.end()});
  }
  if (job.destination.empty()) return usage("--dest is required");
  if (job.pairs.empty()) return usage("at least one --source is required");
  if (!date.empty() && !IsValidDate(date)) return usage("--date must be a date as YYYYMMDD");

  job.include_subfolders = !no_subfolders;
  job.match_folders = !any_folder;
  engine::RunOptions options;
  options.archive_library = platform::SearchPath(platform::ArchiveLibraryFileName());
  job.read_archives = !no_lha && !options.archive_library.empty();
  if (!no_lha && options.archive_library.empty() && !quiet) {
    std::fprintf(stderr,
                 "grebewick-cli: the archive library %s was not found; LZH archives in "
                 "comparison folders are not read\n",
                 std::string(platform::ArchiveLibraryFileName()).c_str());
  }
  if (!quiet) WarnAboutFolders(job);

  engine::DateFolderName = date.empty() ? engine::TodayFolderName() : date;
  if (dry_run) {
    options.dry_run = [](const std::string& source, const std::string& destination) {
      std::string line = cli::Printable(source) + "\t" + cli::Printable(destination) + "\n";
      std::fwrite(line.data(), 1, line.size(), stdout);
    };
  }
  engine::RunStats stats;
  options.stats = &stats;

  cli::Answers answers;
  if (yes || no) answers.continue_after_failure = yes;
  answers.quiet = quiet;
  cli::TerminalHost host(std::move(job), answers, stdin, stderr);
  InstallInterruptHandler();
  engine::RunOutcome outcome = engine::RunBackup(host, options);
  std::fflush(stdout);
  if (!quiet && !dry_run && stats.selected > 0) {
    std::fprintf(stderr, "grebewick-cli: %ld of %ld files copied to %s", stats.copied,
                 stats.selected, engine::DestinationRoot.c_str());
    if (stats.failed > 0) std::fprintf(stderr, ", %ld failed", stats.failed);
    std::fputc('\n', stderr);
  }
  return ExitStatusOf(outcome, stats);
}
