#pragma once

namespace cli {

// Makes SIGTERM and SIGHUP (what a service manager, or a terminal that closes, sends) end a
// run as a confirmed cancel does: the copy in progress is abandoned and its temporary file
// removed, what was copied is flushed, and the program exits with the status of a run that
// ended early. A question waiting for an answer on the terminal stops waiting.
void InstallTerminationHandlers();

}  // namespace cli
