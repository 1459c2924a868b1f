#pragma once

namespace cli {

// grebewick-cli's exit statuses, as --help and the manual page give them.
constexpr int kExitDone = 0;               // also when nothing needed copying
constexpr int kExitSomeFailed = 1;         // done, but some copies or folders failed
constexpr int kExitUsage = 2;              // the command line is wrong
constexpr int kExitEndedEarly = 3;         // cancel, signal, missing or refused destination
constexpr int kExitArchiveUnreadable = 4;  // an archive unreadable or damaged

}  // namespace cli
