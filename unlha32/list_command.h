#pragma once

#include "unlha32/command.h"

namespace unlha32 {

// "l" lists the members (all, or those matching a pattern) as a table a person can read,
// then a total line; "v" adds each member's header level and creating system.
CommandResult ListMembers(const Command& command);

}  // namespace unlha32
