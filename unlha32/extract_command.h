#pragma once

#include "unlha32/command.h"

namespace unlha32 {

// "t" decodes every member (or those matching a pattern) and checks its CRC; "x" extracts
// them below the base folder with their folders, "e" without. The text names each member
// that failed, with the reason, then gives a count. The result is the code of the first
// member (or header) found damaged or undecodable, failing that the code of the first
// member that could not be written, else kSuccess.
CommandResult ExtractMembers(const Command& command);

}  // namespace unlha32
