#include "app/cli/list_archive.h"

#include <cstdio>

#include "app/cli/archive_commands.h"
#include "app/cli/exit_status.h"
#include "app/cli/messages.h"
#include "app/cli/terminal_host.h"
#include "archive/c_unlha.h"
#include "platform/vb_error.h"

namespace cli {
namespace {

// The archive library's check of every header up to the end, without stepping over damage.
constexpr std::int16_t kEveryHeader = 1;

}  // namespace

int ListArchive(const std::string& path, const RecordFormat& format) {
  const std::string library = FindArchiveLibrary();
  if (library.empty()) return kExitArchiveUnreadable;
  TerminalHost messages(Answers(), stdin, stderr);
  archive::cUnLHA unlha(library, messages);
  if (!unlha.usable()) return kExitArchiveUnreadable;
  // An archive that fails the check is still listed as far as it can be read (a truncated
  // one, say), but the exit status says it was not whole. Every header is checked, not
  // only the first few as for a comparison.
  unlha.SetCheckMode(kEveryHeader);
  const bool whole = unlha.CheckArchive(path);
  std::int16_t count;
  try {
    count = unlha.SetArcFile(path);
  } catch (const platform::VbError& error) {
    std::fprintf(stderr, "grebewick-cli: %s: %s\n", Printable(path).c_str(), error.what());
    return kExitArchiveUnreadable;
  }
  if (messages.boxes_shown() > 0) {
    std::fprintf(stderr, "grebewick-cli: %s\n",
                 Substitute(Tr("%s is not a readable LZH archive"), {Printable(path)}).c_str());
    return kExitArchiveUnreadable;
  }
  if (!whole) {
    std::fprintf(stderr, "grebewick-cli: %s\n",
                 Substitute(Tr("%s: the archive is damaged or cut short; %s member(s) before the "
                               "damage listed"),
                            {Printable(path), std::to_string(count)})
                     .c_str());
  }
  for (std::int16_t i = 0; i < count; ++i) {
    const std::string record =
        format.Record({unlha.FileName(i), unlha.FilePath(i), unlha.FileOriginal(i),
                       unlha.FilePacked(i), unlha.FileRatio(i), unlha.FileDate(i),
                       unlha.FileTime(i), unlha.FileAttr(i), unlha.FileType(i), unlha.FileCRC(i)});
    std::fwrite(record.data(), 1, record.size(), stdout);
  }
  return whole ? kExitDone : kExitArchiveUnreadable;
}

}  // namespace cli
