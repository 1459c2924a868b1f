#include "app/cli/signals.h"

#include "engine/public_function.h"
#include "platform/console.h"

namespace cli {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free,
              "a signal handler may only set lock-free atomics");

void OnTerminate() { engine::AbortRequested = true; }

}  // namespace

void InstallTerminationHandlers() { platform::OnTermination(OnTerminate); }

}  // namespace cli
