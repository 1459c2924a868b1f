#include "app/cli/archive_commands.h"

#include <atomic>
#include <cstdio>

#include "app/cli/exit_status.h"
#include "app/cli/messages.h"
#include "app/cli/terminal_host.h"
#include "app/cli/terminal_text.h"
#include "archive/c_unlha.h"
#include "platform/console.h"
#include "platform/path_rules.h"
#include "platform/search.h"
#include "platform/vb_error.h"

namespace cli {
namespace {

// The largest output buffer the archive object can hand the library (32,720 bytes).
constexpr std::int16_t kLargestOutput = 405;

// The library's answer when the command was stopped at our request.
constexpr std::int32_t kInterrupted = 0x8020;

// Ctrl-C, SIGTERM and SIGHUP alike stop a test or an extraction: there is no run to ask
// about, and the library removes the file it was writing.
std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free,
              "a signal handler may only set lock-free atomics");

void OnStop() { stop_requested = true; }
bool KeepGoing() { return !stop_requested; }

// Result codes that say the archive is damaged or unreadable, not that writing failed.
bool IsArchiveFault(std::int32_t code) {
  switch (code) {
    case 0x8009:  // a method the library does not decode
    case 0x800C:  // data CRC
    case 0x8014:  // damaged packed data
    case 0x8016:  // header checksum
    case 0x8017:  // damaged or cut-short archive
    case 0x8018:  // cannot be opened
    case 0x801A:  // read error
    case 0x801B:  // not an archive
      return true;
    default:
      return false;
  }
}

// A word of the library's command line: quoted, since paths may hold blanks. The command
// line has no way to write a double quote inside a word.
std::string Quoted(const std::string& word, bool* ok) {
  if (word.find('"') != std::string::npos) *ok = false;
  return "\"" + word + "\"";
}

// Splits the library's text into the lines about members (standard output) and the count
// that ends it (standard error). Without the count the text did not fit the buffer.
void PrintOutput(const std::string& output) {
  if (output.empty()) return;
  std::size_t last = output.rfind('\n', output.size() >= 2 ? output.size() - 2 : 0);
  last = last == std::string::npos ? 0 : last + 1;
  const bool counted = output.find(" member(s) ", last) != std::string::npos;
  const std::string members = counted ? output.substr(0, last) : output;
  std::fwrite(members.data(), 1, members.size(), stdout);
  std::fflush(stdout);
  if (counted) {
    std::fprintf(stderr, "grebewick-cli: %s", output.substr(last).c_str());
  } else {
    std::fprintf(stderr, "grebewick-cli: %s\n", Tr("more members failed than could be shown"));
  }
}

int Run(const std::string& command, bool quotable, const std::string& archive, bool testing) {
  if (!quotable) {
    std::fprintf(stderr, "grebewick-cli: %s\n",
                 Tr("names with a double quote cannot be passed on"));
    return kExitUsage;
  }
  const std::string library = FindArchiveLibrary();
  if (library.empty()) return kExitArchiveUnreadable;
  TerminalHost messages(Answers(), stdin, stderr);
  archive::cUnLHA unlha(library, messages);
  if (!unlha.usable()) return kExitArchiveUnreadable;
  unlha.SetMaxFileCount(kLargestOutput);
  platform::OnInterrupt(OnStop);
  platform::OnTermination(OnStop);
  unlha.SetKeepGoing(KeepGoing);
  std::string line = command;
  try {
    unlha.SetCommandLine(line);
  } catch (const platform::VbError& error) {
    std::fprintf(stderr, "grebewick-cli: %s: %s\n", Printable(archive).c_str(), error.what());
    return kExitArchiveUnreadable;
  }
  unlha.SetKeepGoing(nullptr);
  PrintOutput(unlha.OutPut());
  const std::int32_t code = unlha.ReturnCode();
  if (code == kInterrupted || stop_requested) {
    std::fprintf(stderr, "grebewick-cli: %s: %s\n", Printable(archive).c_str(),
                 archive::ErrorMessage(kInterrupted).c_str());
    return kExitEndedEarly;
  }
  if (code == 0) return kExitDone;
  std::fprintf(stderr, "grebewick-cli: %s: %s\n", Printable(archive).c_str(),
               TrLine(unlha.ErrString()).c_str());
  return testing || IsArchiveFault(code) ? kExitArchiveUnreadable : kExitSomeFailed;
}

}  // namespace

std::string FindArchiveLibrary() {
  const std::string library = platform::SearchPath(platform::ArchiveLibraryFileName());
  if (library.empty()) {
    std::fprintf(
        stderr, "grebewick-cli: %s\n",
        Substitute(Tr("the archive library %s was not found"), {platform::ArchiveLibraryFileName()})
            .c_str());
  }
  return library;
}

int TestArchive(const std::string& archive) {
  bool quotable = true;
  std::string command = "t -- " + Quoted(archive, &quotable);
  return Run(command, quotable, archive, true);
}

int ExtractArchive(const std::string& archive, const std::string& folder,
                   const std::vector<std::string>& patterns) {
  // The library takes the word that ends in a separator for the folder.
  bool quotable = true;
  std::string command = "x -- " + Quoted(archive, &quotable) + " " +
                        Quoted(folder.empty() ? "./" : folder + "/", &quotable);
  for (const std::string& pattern : patterns) command += " " + Quoted(pattern, &quotable);
  return Run(command, quotable, archive, false);
}

}  // namespace cli
