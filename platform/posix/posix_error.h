#pragma once

#include <string_view>

#include "platform/status.h"

namespace platform::posix {

// The one place where errno values become the program's error numbers.
int ErrnoToNumber(int err);

// A failed `operation` on `path`: "operation(path): reason".
Status ErrnoStatus(int err, std::string_view operation, std::string_view path);

}  // namespace platform::posix
