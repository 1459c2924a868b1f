#include "engine/public_function.h"

namespace engine {

std::atomic<bool> CancelRequested{false};

// Placeholder until the run is written: does nothing.
RunOutcome RunBackup(RunHost&, const RunOptions&) { return RunOutcome::kNothingToCopy; }

long ListSubfoldersDeep(const std::string&, std::vector<std::string>& list,
                        platform::FileSystem&) {
  list.assign(1, std::string());
  return 0;
}

bool PrepareDestination(const std::string&, platform::MessageBoxService&, platform::FileSystem&) {
  return false;
}

}  // namespace engine
