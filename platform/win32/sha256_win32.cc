#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>

#include "platform/sha256.h"

namespace platform {
namespace {

// The algorithm provider, opened once for the process: opening it is the costly part.
BCRYPT_ALG_HANDLE Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (::BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
      throw std::runtime_error("SHA-256 is not available from BCrypt");
    }
    return handle;
  }();
  return provider;
}

}  // namespace

struct Sha256::State {
  BCRYPT_HASH_HANDLE hash = nullptr;
  ~State() {
    if (hash != nullptr) ::BCryptDestroyHash(hash);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) { Reset(); }

Sha256::~Sha256() = default;

void Sha256::Reset() {
  if (state_->hash != nullptr) ::BCryptDestroyHash(state_->hash);
  state_->hash = nullptr;
  if (::BCryptCreateHash(Provider(), &state_->hash, nullptr, 0, nullptr, 0, 0) != 0) {
    throw std::runtime_error("BCryptCreateHash failed");
  }
}

void Sha256::Add(std::span<const std::uint8_t> bytes) {
  // BCryptHashData takes at most 4 GiB at once; parts are far smaller.
  while (!bytes.empty()) {
    const auto part = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 30));
    ::BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes.data()), part, 0);
    bytes = bytes.subspan(part);
  }
}

Sha256::Digest Sha256::Finish() {
  Digest digest{};
  ::BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  Reset();
  return digest;
}

}  // namespace platform
