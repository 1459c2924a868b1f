#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// The text console of a command-line program. Text inside the program is UTF-8; these
// make the console show it as such and hand the program its arguments as such.

// Makes standard output and standard error show UTF-8 text and terminal escapes when they
// are a console. Call once at the start of main; on POSIX it does nothing.
void PrepareConsole();

// The program's arguments as UTF-8, argv[0] included, in the argc/argv shape that argument
// parsers take. On Windows they are read from the wide command line (the `argv` of main is
// in the ANSI code page and loses characters); on POSIX they are `argv` itself.
class Utf8Arguments {
 public:
  Utf8Arguments(int argc, char** argv);
  Utf8Arguments(const Utf8Arguments&) = delete;
  Utf8Arguments& operator=(const Utf8Arguments&) = delete;

  int argc() const { return static_cast<int>(pointers_.size()); }
  const char* const* argv() const { return pointers_.data(); }

 private:
  std::vector<std::string> arguments_;
  std::vector<const char*> pointers_;
};

// Whether `stream` is a terminal (a console window) that a user reads and types into. A
// pipe, a file or the null device is not.
bool IsTerminal(std::FILE* stream);

// The width of the terminal behind `stream` in columns, or 0 when it is not one.
int TerminalColumns(std::FILE* stream);

// Calls `handler` whenever the user presses Ctrl-C. The handler may run on another thread
// (Windows) or interrupt the program (POSIX), so it must only set an atomic flag. A call
// waiting for input sees the interruption on POSIX (it is not restarted).
void OnInterrupt(void (*handler)());

// Calls `handler` when the program is told to end from outside: SIGTERM or SIGHUP on POSIX
// (a service manager stopping it, its terminal closing); on Windows its console window
// closing, the user logging off or the system shutting down. As with OnInterrupt, the handler
// must only set an atomic flag. A read of standard input that waits sees the request: it
// fails (EINTR on POSIX; cancelled on Windows).
//
// Windows ends the process as soon as the handler's thread returns to the system, so there
// that thread does not return: it waits for the program to end by itself (main returning or
// exit being called), which ends it too, and the system's own time limit (about five seconds)
// bounds the wait. The program's clean-up meanwhile runs as on any other way out, and its
// exit status stays its own.
void OnTermination(void (*handler)());

}  // namespace platform
