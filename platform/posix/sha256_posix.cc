#include <openssl/evp.h>

#include <stdexcept>

#include "platform/sha256.h"

namespace platform {

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr) throw std::bad_alloc();
  Reset();
}

Sha256::~Sha256() = default;

void Sha256::Reset() {
  // Only a broken library refuses SHA-256; there is no copy to vouch for without it.
  if (EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is not available from libcrypto");
  }
}

void Sha256::Add(std::span<const std::uint8_t> bytes) {
  if (!bytes.empty()) EVP_DigestUpdate(state_->context, bytes.data(), bytes.size());
}

Sha256::Digest Sha256::Finish() {
  Digest digest{};
  unsigned int size = 0;
  EVP_DigestFinal_ex(state_->context, digest.data(), &size);
  Reset();
  return digest;
}

}  // namespace platform
