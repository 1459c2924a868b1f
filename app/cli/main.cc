// grebewick-cli: the run without a window, for scripts, timers, tests and benchmarks.

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/archive_commands.h"
#include "app/cli/comparison_chain.h"
#include "app/cli/config_file.h"
#include "app/cli/exit_status.h"
#include "app/cli/folder_checks.h"
#include "app/cli/list_archive.h"
#include "app/cli/messages.h"
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

// Every option as it is written on the command line, for suggestions.
std::vector<std::string> KnownOptions(const CLI::App& app) {
  std::vector<std::string> known;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) known.push_back("--" + name);
    for (const std::string& name : option->get_snames()) known.push_back("-" + name);
  }
  return known;
}

// Takes the pairs whose source folder does not exist out of the job, each named on one line
// (an error: -q does not silence it). The run goes on with the others.
bool DropMissingSources(engine::Job& job, platform::FileSystem& fs) {
  bool dropped = false;
  std::vector<engine::FolderPair> present;
  for (engine::FolderPair& pair : job.pairs) {
    platform::EntryInfo info;
    if (fs.Probe(pair.source, &info).ok() && info.kind == platform::EntryKind::kMissing) {
      std::fprintf(
          stderr, "grebewick-cli: %s\n",
          cli::Substitute(cli::Tr("source folder %s does not exist"), {cli::Printable(pair.source)})
              .c_str());
      dropped = true;
    } else {
      present.push_back(std::move(pair));
    }
  }
  job.pairs = std::move(present);
  return dropped;
}

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

// An option that means nothing to the archive command given (the run's options, -0 with
// anything but a listing, a second archive command), or "".
std::string MisplacedOption(const CLI::App& app) {
  static const char* const kArchiveCommands[] = {"--list-archive", "--test-archive",
                                                 "--extract-archive"};
  static const char* const kRunOptions[] = {
      "--dest",    "--source",        "--compare", "--previous",   "--incremental",
      "--mkpath",  "--no-subfolders", "--no-lha",  "--any-folder", "--date",
      "--dry-run", "--yes",           "--no"};
  const char* command = nullptr;
  for (const char* name : kArchiveCommands) {
    if (app.count(name) == 0) continue;
    if (command != nullptr) return std::string(name) + " cannot be given with " + command;
    command = name;
  }
  if (command == nullptr) return "";
  for (const char* name : kRunOptions) {
    if (app.count(name) != 0) return std::string(name) + " does not belong with " + command;
  }
  if (app.count("--null") != 0 && std::string_view(command) != "--list-archive") {
    return std::string("--null does not belong with ") + command;
  }
  return "";
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
  cli::OpenMessages();
  const auto started = std::chrono::steady_clock::now();
  CLI::App app{"", "grebewick-cli"};
  app.set_help_flag("-h,--help");
  app.set_version_flag("--version", "grebewick-cli " GREBEWICK_VERSION);
  // Unknown arguments are answered here, with a suggestion, rather than by the parser.
  app.allow_extras();

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
  bool verbose = false;
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
             refuse(
                 cli::Substitute(cli::Tr("--compare %s must follow its own --source"), {folder}));
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
  // Patterns apply in the order given, from --exclude and --exclude-from alike.
  job.exclude = engine::ExcludeRules(platform::NamesAreCaseSensitive());
  app.add_option_function<std::string>(
         "--exclude", [&](const std::string& pattern) { job.exclude.Add(pattern); })
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->trigger_on_parse();
  app.add_option_function<std::string>(
         "--exclude-from",
         [&](const std::string& file) {
           std::string text, reason;
           if (!cli::ReadTextFile(file, &text, &reason)) {
             refuse(cli::Substitute(cli::Tr("--exclude-from %s: %s"), {file, reason}));
           }
           job.exclude.AddLines(text);
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
  auto* quiet_flag = app.add_flag("-q,--quiet", quiet);
  app.add_flag("-v,--verbose", verbose)->excludes(quiet_flag);
  // Replaced by the job file's options before parsing (ExpandJobFiles); known here for help
  // and suggestions.
  std::string job_file, job_file_error;
  app.add_option("--config", job_file);
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
    platform::Utf8Arguments utf8(argc, argv);
    std::vector<std::string> arguments =
        cli::ExpandJobFiles({utf8.argv(), utf8.argv() + utf8.argc()}, &job_file_error);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::CallForHelp&) {
    const std::string_view help = cli::Tr(cli::HelpText());
    std::fwrite(help.data(), 1, help.size(), stdout);
    return cli::kExitDone;
  } catch (const CLI::CallForVersion&) {
    std::puts("grebewick-cli " GREBEWICK_VERSION);
    return cli::kExitDone;
  } catch (const CLI::ParseError& e) {
    usage_error = e.what();
  }
  if (!app.remaining().empty()) {
    usage_error = cli::UnexpectedArgumentText(app.remaining(), KnownOptions(app));
  }
  if (!job_file_error.empty()) usage_error = job_file_error;
  auto usage = [&](const std::string& message) {
    std::fprintf(stderr, "grebewick-cli: %s\n", cli::Printable(message).c_str());
    return cli::kExitUsage;
  };
  if (!usage_error.empty()) return usage(usage_error);
  if (std::string misplaced = MisplacedOption(app); !misplaced.empty()) return usage(misplaced);
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
  if (job.destination.empty()) return usage(cli::Tr("--dest is required"));
  if (job.pairs.empty()) return usage(cli::Tr("at least one --source is required"));
  if (!date.empty() && !engine::IsDateFolderName(date)) {
    return usage(cli::Tr("--date must be a date as YYYYMMDD"));
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
  const bool sources_missing = DropMissingSources(job, fs);
  if (job.pairs.empty()) return cli::kExitSomeFailed;

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
    std::fprintf(stderr, "grebewick-cli: %s\n",
                 cli::Substitute(cli::Tr("the archive library %s was not found; LZH archives in "
                                         "comparison folders are not read"),
                                 {platform::ArchiveLibraryFileName()})
                     .c_str());
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
  if (verbose) {
    options.copied = [&host](const std::string& source, std::uint64_t size) {
      host.Say(cli::Substitute(cli::Tr("copied %s (%s)"),
                               {cli::Printable(source), cli::FormatBytes(size)}));
    };
  }
  InstallInterruptHandler();
  cli::InstallTerminationHandlers();
  engine::RunOutcome outcome = engine::RunBackup(job, host, options);
  std::fflush(stdout);
  if (!quiet && !dry_run && stats.selected > 0) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::string summary = cli::Substitute(
        stats.failed > 0 ? cli::Tr("%s of %s files copied to %s, %s in %s, %s failed")
                         : cli::Tr("%s of %s files copied to %s, %s in %s"),
        {std::to_string(stats.copied), std::to_string(stats.selected),
         cli::Printable(engine::DestinationRoot), cli::FormatBytes(stats.bytes_copied),
         ElapsedText(seconds), std::to_string(stats.failed)});
    std::fprintf(stderr, "grebewick-cli: %s\n", summary.c_str());
  }
  const int status = ExitStatusOf(outcome, stats);
  return sources_missing && status == cli::kExitDone ? cli::kExitSomeFailed : status;
}
