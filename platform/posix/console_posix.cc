#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/console.h"

namespace platform {
namespace {

void (*interrupt_handler)() = nullptr;
void (*termination_handler)() = nullptr;

void OnInterruptSignal(int) {
  if (interrupt_handler != nullptr) interrupt_handler();
}

void OnTerminationSignal(int) {
  if (termination_handler != nullptr) termination_handler();
}

void Install(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a question being asked sees the signal
  sigaction(signal_number, &action, nullptr);
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
  Install(SIGINT, OnInterruptSignal);
}

void OnTermination(void (*handler)()) {
  termination_handler = handler;
  Install(SIGTERM, OnTerminationSignal);
  Install(SIGHUP, OnTerminationSignal);
}

}  // namespace platform
