#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/console.h"

namespace platform {
namespace {

void (*interrupt_handler)() = nullptr;

void OnSignal(int) {
  if (interrupt_handler != nullptr) interrupt_handler();
}

}  // namespace

void PrepareConsole() {}

Utf8Arguments::Utf8Arguments(int argc, char** argv) : arguments_(argv, argv + argc) {
  for (const std::string& argument : arguments_) pointers_.push_back(argument.c_str());
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void OnInterrupt(void (*handler)()) {
  interrupt_handler = handler;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a question being asked sees the interruption
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace platform
