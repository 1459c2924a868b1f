#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/hash_sink.h"

namespace platform {

// SHA-256 of bytes handed over in parts, from the system's own implementation (libcrypto on
// POSIX, which uses the processor's SHA instructions; BCrypt on Windows). A copy feeds it
// with each part it reads, so a file's digest costs no second reading.
class Sha256 final : public HashSink {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Reset() override;
  void Add(std::span<const std::uint8_t> bytes) override;
  using HashSink::Add;
  // The digest of the bytes added since the last Reset; starts over afterwards.
  Digest Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest as 64 lower-case hexadecimal digits, as sha256sum prints it.
std::string HexDigest(const Sha256::Digest& digest);

}  // namespace platform
