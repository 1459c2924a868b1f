#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/destination.h"

namespace platform {

// A small source file read whole ahead of its copy, on another thread, so that reading the
// next files overlaps with writing this one. It is one consistent state of the file: nothing
// about it changed from the first byte read to the last.
struct SourceSnapshot {
  std::string data;
  unsigned mode = 0;  // type and permission bits, as the system gives them
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  FileInstant accessed;
  FileInstant modified;
};

// Whether TakeSnapshot reads anything on this platform.
bool SnapshotsTaken();

// Reads the regular file `path` (links followed: it is the user's file) when it holds at most
// `limit` bytes and did not change while it was read (its size, modification and change
// times the same before and after). Null otherwise: the copy then reads the file itself and
// reports what went wrong. Safe on any thread.
std::unique_ptr<SourceSnapshot> TakeSnapshot(const std::string& path, std::size_t limit);

}  // namespace platform
