#pragma once

#include "unlha32/unlha32.h"

namespace unlha32 {

// The record as callers read it: its stored path in the system's ANSI code page (it is
// filled in UTF-8). On POSIX, where that code page is UTF-8, nothing changes.
void StorePathAsAnsi(UnlhaMemberInfo* info);

}  // namespace unlha32
