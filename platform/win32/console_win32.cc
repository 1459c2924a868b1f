#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdlib>

#include "platform/console.h"
#include "platform/win32/command_line.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::atomic<void (*)()> interrupt_handler{nullptr};
std::atomic<void (*)()> termination_handler{nullptr};

// Longer than any time the system grants a console program before it ends it (five seconds
// for a closing window; log-off and shutdown are configurable, twenty seconds at most by
// default): the wait is the system's to cut short.
constexpr DWORD kTerminationWait = 60'000;
constexpr DWORD kCancelInterval = 100;

HANDLE HandleOf(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

// Every console event arrives on a thread of its own. After Ctrl-C and Ctrl-Break the
// program carries on. After the others the system ends the process when this returns, so it
// returns only if the program has not ended by itself in time (its exit ends this thread).
BOOL WINAPI OnControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (auto handler = interrupt_handler.load()) {
        handler();
        return TRUE;
      }
      return FALSE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (auto handler = termination_handler.load()) {
        handler();
        // A question waiting for its answer stops waiting, as a signal makes it on POSIX.
        // The read may start only after the flag was set, so the request is repeated; it
        // touches the reads of standard input alone, never the run's file operations.
        const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
        for (DWORD waited = 0; waited < kTerminationWait; waited += kCancelInterval) {
          if (input != nullptr && input != INVALID_HANDLE_VALUE) ::CancelIoEx(input, nullptr);
          ::Sleep(kCancelInterval);
        }
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void InstallControlHandler() {
  static const bool installed = ::SetConsoleCtrlHandler(OnControl, TRUE);
  (void)installed;
}

UINT saved_output_code_page = 0;
UINT saved_input_code_page = 0;

void RestoreCodePages() {
  if (saved_output_code_page != 0) ::SetConsoleOutputCP(saved_output_code_page);
  if (saved_input_code_page != 0) ::SetConsoleCP(saved_input_code_page);
}

}  // namespace

// The console decodes what the program writes with its output code page: UTF-8 from here
// on, and back to what the user had when the program ends. Escapes such as "erase the
// line" are interpreted rather than shown. Output is written byte for byte, as on POSIX:
// a script reading a pipe gets "\n" line ends and names exactly as printed (a console
// starts a new line at "\n" all the same).
void PrepareConsole() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  saved_output_code_page = ::GetConsoleOutputCP();
  saved_input_code_page = ::GetConsoleCP();
  if (saved_output_code_page != 0) {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    std::atexit(RestoreCodePages);
  }
  for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    HANDLE handle = ::GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
      ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
  }
}

Utf8Arguments::Utf8Arguments(int, char**) {
  for (const std::wstring& argument : win32::SplitCommandLine(::GetCommandLineW())) {
    arguments_.push_back(win32::Narrow(argument));
  }
  for (const std::string& argument : arguments_) pointers_.push_back(argument.c_str());
}

// The C runtime calls every character device a terminal, the null device included; only a
// console is one.
bool IsTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

int TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(HandleOf(stream), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void OnInterrupt(void (*handler)()) {
  interrupt_handler = handler;
  InstallControlHandler();
}

void OnTermination(void (*handler)()) {
  termination_handler = handler;
  InstallControlHandler();
}

}  // namespace platform
