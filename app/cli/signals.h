#pragma once

namespace cli {

// Makes a request to end the program from outside (SIGTERM or SIGHUP on POSIX: a service
// manager, a terminal that closes; on Windows the console window closing, log-off or shutdown)
// end a run as a confirmed cancel does: the copy in progress is abandoned and its temporary
// file removed, what was copied is flushed, and the program exits with the status of a run
// that ended early. A question waiting for an answer on the terminal stops waiting.
void InstallTerminationHandlers();

}  // namespace cli
