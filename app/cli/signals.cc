#include "app/cli/signals.h"

#include <signal.h>

#include "engine/public_function.h"

namespace cli {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free,
              "a signal handler may only set lock-free atomics");

void OnTerminate(int) { engine::AbortRequested = true; }

}  // namespace

void InstallTerminationHandlers() {
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a question being asked sees the signal
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

}  // namespace cli
