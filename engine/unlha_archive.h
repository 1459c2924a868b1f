#pragma once

#include <memory>
#include <string>

#include "engine/archive_object.h"
#include "platform/message_box.h"

namespace engine {

// The run's archive object over the archive library at `library_path`.
std::unique_ptr<ArchiveObject> MakeUnlhaArchive(const std::string& library_path,
                                                platform::MessageBoxService& messages);

}  // namespace engine
