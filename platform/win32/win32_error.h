#pragma once

#include <windows.h>

#include <string_view>

#include "platform/status.h"

namespace platform::win32 {

// The program's error number for a Win32 error code (GetLastError's). The one place where
// Windows errors are mapped.
int ErrorToNumber(DWORD error);

// A status for a failed Win32 call: "operation(path): the system's message".
Status ErrorStatus(DWORD error, std::string_view operation, std::string_view path);

// The same for the calling thread's last error.
Status LastErrorStatus(std::string_view operation, std::string_view path);

// Whether `error` says that a name, or a folder on its way, does not exist.
bool IsMissing(DWORD error);

}  // namespace platform::win32
