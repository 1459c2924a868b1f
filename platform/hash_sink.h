#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

// Receives the bytes of a copy as they pass (see DestinationTree::CopyFile). An interface of
// its own so that the copy loops link no hashing library: the archive library links them
// too, and must load on systems where only the program is allowed its dependencies.
class HashSink {
 public:
  virtual ~HashSink() = default;
  // Starts over, forgetting every byte added so far (a copy that is tried again).
  virtual void Reset() = 0;
  virtual void Add(std::span<const std::uint8_t> bytes) = 0;
  void Add(const void* data, std::size_t size) {
    Add(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size));
  }
};

}  // namespace platform
