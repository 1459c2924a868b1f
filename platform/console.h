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

}  // namespace platform
