#include "app/cli/usage.h"

#include <algorithm>

#include "app/cli/messages.h"

namespace cli {

// Kept in step with man/grebewick-cli.1 and README.md.
const char* HelpText() {
  return Id(R"(Usage: grebewick-cli --dest DIR --source DIR [--compare DIR|none]... [OPTION]...
       grebewick-cli --dest DIR --source DIR... --incremental [OPTION]...
       grebewick-cli --restore --dest DIR --to DIR [--as-of YYYYMMDD]
                     [--source DIR]... [PATTERN]... [-n]
       grebewick-cli --verify DATEDIR | --verify --dest DIR
       grebewick-cli --list-archive FILE [-0]
       grebewick-cli --test-archive FILE
       grebewick-cli --extract-archive FILE DIR [PATTERN]...
       grebewick-cli --help | --version

Copies the files that changed since the last backup into DIR/yyyymmdd, where
each source folder reappears under its full path. A file counts as unchanged
when its comparison holds a file of the same name with the same size and a
modification time not earlier than its own. Each run that copies records, in
DIR/yyyymmdd/.grebewick/, the SHA-256 of its copies (SHA256SUMS, as sha256sum
writes it) and every file of its sources with size and time (files).

The job:
      --dest DIR          the destination; the date folder goes below it. It
                          must exist, unless --mkpath is given
      --source DIR        a source folder; each one starts a folder pair
      --compare DIR|none  the comparison folder of the --source before it,
                          usually that folder's copy in an earlier backup
                          ("none" or "なし", the default: no comparison)
      --previous DATEDIR  compare every source with its copy in DATEDIR, a date
                          folder of an earlier run (DATEDIR + the source's
                          path); repeatable, newest first: the first one given
                          that holds a file of that name decides
      --incremental       compare every source with all date folders under
                          --dest up to today's, newest first: the newest
                          backup that holds a file of that name decides
      --archives-in-backups
                          with --previous or --incremental, read the LZH
                          archives in date folders too (plain files only
                          otherwise: an archive there may be your own file)
      --mkpath            create the destination when it does not exist, never
                          a medium's mount point (/media/NAME, /mnt/NAME, ...)
      --no-subfolders     only the source folders themselves
      --no-lha            do not read LZH archives in comparison folders
      --any-folder        an archive member counts wherever its stored folder is
      --hidden            include hidden files and folders (names beginning
                          with "."); otherwise a note counts those left out
      --date YYYYMMDD     the date folder's name (default: today, local time)
      --exclude PATTERN   leave out what PATTERN matches, as in .gitignore:
                          "*.tmp" (a name at any depth), "node_modules/"
                          (folders only), "/notes.txt" or "docs/*.bak" (from
                          the source folder down), "**/cache" (any folders),
                          "!keep.tmp" (back in); repeatable, the last match
                          decides. Left out means neither copied nor compared
      --exclude-from FILE the patterns of FILE, one a line ("#" comments)
      --config FILE       read options from FILE, one a line without its dashes
                          ("dest = /media/me/backup", "source = ~/docs",
                          "incremental"), as if given here in its place

Output and questions:
  -n, --dry-run           search only: print SOURCE<TAB>DESTINATION for each
                          file to copy, and create nothing
  -0, --null              end each field of --dry-run and --list-archive with
                          NUL instead of TAB or line break, and print names byte
                          for byte (otherwise control characters show as "?")
  -y, --yes               after a failed copy, go on with the rest
      --no                after a failed copy, stop
  -q, --quiet             no progress line, notes, warnings or information
  -v, --verbose           one line for each file copied (name and size); the
                          summary line ends every run that copies, with or
                          without it, unless --quiet
      --list-archive FILE list the members of an LZH archive, one line each:
                          name, folder, size, packed size, ratio, date, time,
                          attributes, method and CRC, separated by TABs; a
                          damaged archive as far as it can be read (exit 4)
      --test-archive FILE check every member of an LZH archive (decode and
                          CRC); one line per damaged member, and one when the
                          archive ends without its end mark
      --extract-archive FILE DIR [PATTERN]...
                          extract the members (those matching a PATTERN) with
                          their folders below DIR; no file is replaced and
                          nothing is written outside DIR; permission bits
                          less the umask; a PATTERN matching no member is an
                          error
Getting files back:
      --restore           rebuild the sources below --to DIR, under their full
                          paths, as they were at the end of the run of --as-of:
                          each file the record of that day lists, from the
                          newest date folder up to that day that holds it (in
                          its LZH archives too where that day's run read them).
                          Nothing is replaced, nothing written through a link
                          or outside DIR; -n lists BACKUP<TAB>RESTORED instead
      --to DIR            where --restore rebuilds the sources
      --as-of YYYYMMDD    the day to restore (default: the newest date folder)
      --source DIR        with --restore: only this source (repeatable)
      PATTERN             with --restore: only the files whose names match
      --verify DATEDIR    read every file the record of DATEDIR lists and
                          report each missing or damaged one; with --dest DIR
                          instead of DATEDIR, every date folder below DIR
  -h, --help              show this help and exit
      --version           show the version and exit

Without --yes or --no, a question is asked on the terminal, or answered by its
default button when nobody is there. Ctrl-C asks whether to stop (on a
terminal; Ctrl-C again while the question waits is Yes) or stops; a test or an
extraction it stops at once. The archive commands take no option of the run
(--dest, --source, ...).

Exit status:
  0  done (also when nothing needed copying)
  1  done, but some copies failed, or some source folders do not exist or could
     not be read; --verify, --restore: a file is missing, damaged or could not
     be restored
  2  usage error (also: a comparison that is, holds or lies inside a source,
     a source given twice, an empty folder value)
  3  the run ended early: cancelled, SIGTERM or SIGHUP, a missing or refused
     destination, or No after a failed copy; a test or an extraction stopped
     by Ctrl-C, SIGTERM or SIGHUP
  4  the archive could not be read or is damaged (--list-archive,
     --test-archive, --extract-archive; 1 when only writing extracted files
     failed or a pattern matched no member)
)");
}

namespace {

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbours, each one edit.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string NearestOption(std::string_view word, const std::vector<std::string>& known) {
  // "--sorce=folder" names the option "--sorce".
  word = word.substr(0, word.find('='));
  std::string nearest;
  std::size_t best = SIZE_MAX;
  for (const std::string& option : known) {
    const std::size_t distance = EditDistance(word, option);
    if (distance < best) {
      best = distance;
      nearest = option;
    }
  }
  // Two slips at most, and fewer than a third of the name: "-x" is no slip for "-n".
  const std::size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
  if (best == 0 || best > 2 || best * 3 > letters) return std::string();
  return nearest;
}

std::string UnexpectedArgumentText(const std::vector<std::string>& extras,
                                   const std::vector<std::string>& known) {
  for (const std::string& extra : extras) {
    if (extra.size() < 2 || extra[0] != '-') continue;
    const std::string option = extra.substr(0, extra.find('='));
    const std::string nearest = NearestOption(option, known);
    if (nearest.empty()) return Substitute(Tr("unknown option %s"), {option});
    return Substitute(Tr("unknown option %s; did you mean %s?"), {option, nearest});
  }
  return Substitute(Tr("unexpected argument %s"), {extras.empty() ? "" : extras.front()});
}

}  // namespace cli
