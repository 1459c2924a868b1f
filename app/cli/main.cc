// grebewick-cli: the run without a window, for scripts, timers, tests and benchmarks.

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/archive_commands.h"
#include "app/cli/comparison_chain.h"
#include "app/cli/exit_status.h"
#include "app/cli/folder_checks.h"
#include "app/cli/list_archive.h"
#include "app/cli/progress_line.h"
#include "app/cli/restore.h"
#include "app/cli/signals.h"
#include "app/cli/terminal_host.h"
#include "app/cli/terminal_text.h"
#include "app/cli/usage.h"
#include "app/cli/verify.h"
#include "engine/common.h"
#include "engine/job_check.h"
#include "engine/public_function.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/full_path.h"
#include "platform/path_rules.h"
#include "platform/search.h"

namespace {

void OnInterrupt() { engine::CancelRequested = true; }

void InstallInterruptHandler() { platform::OnInterrupt(OnInterrupt); }

int ExitStatusOf(engine::RunOutcome outcome, const engine::RunStats& stats) {
  switch (outcome) {
    case engine::RunOutcome::kCompleted:
    case engine::RunOutcome::kNothingToCopy:
      return stats.unreadable_folders > 0 ? cli::kExitSomeFailed : cli::kExitDone;
    case engine::RunOutcome::kCompletedWithFailures:
      return cli::kExitSomeFailed;
    default:
      return cli::kExitEndedEarly;
  }
}

std::string ElapsedText(double seconds) {
  if (seconds >= 60) return cli::FormatDuration(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareConsole();
  const auto started = std::chrono::steady_clock::now();
  CLI::App app{"", "grebewick-cli"};
  app.set_help_flag("-h,--help");
  app.set_version_flag("--version", "grebewick-cli " GREBEWICK_VERSION);

  engine::Job job;
  std::string usage_error;
  auto refuse = [&](const std::string& error) {
    if (usage_error.empty()) usage_error = error;
  };
  std::string date;
  std::string list_archive;
  bool make_path = false;
  std::string test_archive;
  std::vector<std::string> extract_archive;
  bool no_subfolders = false;
  bool no_lha = false;
  bool any_folder = false;
  bool dry_run = false;
  bool null_terminated = false;
  bool yes = false;
  bool no = false;
  bool quiet = false;
  bool hidden = false;
  bool compare_given = false;
  bool restore = false;
  std::string restore_to;
  std::string as_of;
  std::vector<std::string> patterns;
  std::string verify_folder;

  // An empty value (an unset shell variable) would name the current folder: refused.
  app.add_option_function<std::string>("--dest", [&](const std::string& folder) {
    if (folder.empty()) refuse("--dest needs a folder, not an empty value");
    job.destination = folder;
  });
  app.add_option_function<std::string>(
         "--source",
         [&](const std::string& folder) {
           if (folder.empty()) refuse("--source needs a folder, not an empty value");
           job.pairs.push_back(engine::FolderPair{platform::FullPath(folder), {}});
           compare_given = false;
         })
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->trigger_on_parse();
  app.add_option_function<std::string>(
         "--compare",
         [&](const std::string& folder) {
           if (job.pairs.empty() || compare_given) {
             refuse("--compare " + folder + " must follow its own --source");
             return;
           }
           compare_given = true;
           if (folder.empty()) {
             refuse("--compare needs a folder or none, not an empty value");
           } else if (folder != "none" && folder != engine::kNoComparison) {
             job.pairs.back().comparisons.push_back(platform::FullPath(folder));
           }
         })
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->trigger_on_parse();
  app.add_flag("--hidden", hidden);
  app.add_flag("--mkpath", make_path);
  app.add_flag("--no-subfolders", no_subfolders);
  app.add_flag("--no-lha", no_lha);
  app.add_flag("--any-folder", any_folder);
  app.add_option("--date", date);
  app.add_flag("-n,--dry-run", dry_run);
  app.add_flag("-0,--null", null_terminated);
  auto* yes_flag = app.add_flag("-y,--yes", yes);
  app.add_flag("--no", no)->excludes(yes_flag);
  app.add_flag("-q,--quiet", quiet);
  app.add_option("--list-archive", list_archive);
  app.add_option("--test-archive", test_archive);
  app.add_option("--extract-archive", extract_archive)->expected(2, -1);
  app.add_flag("--restore", restore);
  app.add_option("--to", restore_to);
  app.add_option("--as-of", as_of);
  auto* verify = app.add_option("--verify", verify_folder)->expected(0, 1);
  app.add_option("patterns", patterns);
  cli::ComparisonChain chain;
  chain.AddOptions(app);

  try {
    platform::Utf8Arguments arguments(argc, argv);
    app.parse(arguments.argc(), arguments.argv());
  } catch (const CLI::CallForHelp&) {
    const std::string_view help = cli::HelpText();
    std::fwrite(help.data(), 1, help.size(), stdout);
    return cli::kExitDone;
  } catch (const CLI::CallForVersion&) {
    std::puts("grebewick-cli " GREBEWICK_VERSION);
    return cli::kExitDone;
  } catch (const CLI::ParseError& e) {
    usage_error = e.what();
  }
  auto usage = [&](const std::string& message) {
    std::fprintf(stderr, "grebewick-cli: %s\nTry 'grebewick-cli --help' for more information.\n",
                 cli::Printable(message).c_str());
    return cli::kExitUsage;
  };
  if (!usage_error.empty()) return usage(usage_error);
  const cli::RecordFormat format{null_terminated};
  if (!list_archive.empty()) return cli::ListArchive(list_archive, format);
  if (!test_archive.empty()) return cli::TestArchive(test_archive);
  if (!extract_archive.empty()) {
    return cli::ExtractArchive(extract_archive[0], extract_archive[1],
                               {extract_archive.begin() + 2, extract_archive.end()});
  }
  if (verify->count() > 0) {
    if (verify_folder.empty() == job.destination.empty()) {
      return usage("--verify needs a date folder, or --dest for every date folder");
    }
    InstallInterruptHandler();
    cli::InstallTerminationHandlers();
    return cli::Verify(verify_folder, job.destination, quiet, stderr);
  }
  if (restore) {
    if (job.destination.empty() || restore_to.empty()) {
      return usage("--restore needs --dest and --to");
    }
    if (!as_of.empty() && !engine::IsDateFolderName(as_of)) {
      return usage("--as-of must be a date as YYYYMMDD");
    }
    cli::RestoreRequest request{job.destination, restore_to, as_of, {},
                                patterns,        dry_run,    quiet, format};
    for (const engine::FolderPair& pair : job.pairs) request.sources.push_back(pair.source);
    InstallInterruptHandler();
    cli::InstallTerminationHandlers();
    return cli::Restore(request, stdout, stderr);
  }
  if (!patterns.empty()) return usage("unexpected argument " + patterns[0]);
  if (job.destination.empty()) return usage("--dest is required");
  if (job.pairs.empty()) return usage("at least one --source is required");
  if (!date.empty() && !engine::IsDateFolderName(date)) {
    return usage("--date must be a date as YYYYMMDD");
  }
  platform::FileSystem& fs = platform::FileSystem::Default();
  if (std::string error = chain.Check(app); !error.empty()) return usage(error);
  // The run's one date: the chain and the date folder cannot fall on two sides of midnight.
  job.date_folder = date.empty() ? engine::TodayFolderName() : date;
  // Checked before anything is created: a dry run answers for the run it stands for.
  const std::string missing = cli::MissingDestination(fs, job.destination, make_path);
  if (!missing.empty()) {
    std::fprintf(stderr, "grebewick-cli: %s\n", missing.c_str());
    return cli::kExitEndedEarly;
  }

  job.include_subfolders = !no_subfolders;
  job.match_folders = !any_folder;
  job.include_hidden = hidden;
  engine::RunOptions options;
  options.archive_library = platform::SearchPath(platform::ArchiveLibraryFileName());
  job.read_archives = !no_lha && !options.archive_library.empty();
  std::vector<std::string> notes;
  chain.Resolve(job, fs, &notes);
  if (std::string problem = engine::JobProblem(job, fs); !problem.empty()) return usage(problem);
  if (!no_lha && options.archive_library.empty() && !quiet) {
    std::fprintf(stderr,
                 "grebewick-cli: the archive library %s was not found; LZH archives in "
                 "comparison folders are not read\n",
                 std::string(platform::ArchiveLibraryFileName()).c_str());
  }
  if (!quiet) {
    for (const std::string& note : notes) {
      std::fprintf(stderr, "grebewick-cli: %s\n", cli::Printable(note).c_str());
    }
    cli::WarnAboutFolders(job, chain.active(), fs, stderr);
  }
  if (dry_run) {
    options.dry_run = [&format](const std::string& source, const std::string& destination) {
      const std::string record = format.Record({source, destination});
      std::fwrite(record.data(), 1, record.size(), stdout);
    };
  }
  engine::RunStats stats;
  options.stats = &stats;
  options.write_records = !dry_run;

  cli::Answers answers;
  if (yes || no) answers.continue_after_failure = yes;
  answers.quiet = quiet;
  cli::TerminalHost host(answers, stdin, stderr);
  host.set_stats(&stats);
  InstallInterruptHandler();
  cli::InstallTerminationHandlers();
  engine::RunOutcome outcome = engine::RunBackup(job, host, options);
  std::fflush(stdout);
  if (!quiet && !dry_run && stats.selected > 0) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "grebewick-cli: %ld of %ld files copied to %s, %s in %s", stats.copied,
                 stats.selected, cli::Printable(engine::DestinationRoot).c_str(),
                 cli::FormatBytes(stats.bytes_copied).c_str(), ElapsedText(seconds).c_str());
    if (stats.failed > 0) std::fprintf(stderr, ", %ld failed", stats.failed);
    std::fputc('\n', stderr);
  }
  return ExitStatusOf(outcome, stats);
}
