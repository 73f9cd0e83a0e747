#include "platform/crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

namespace platform {

bool RandomBytes(std::uint8_t* buffer, std::size_t count) {
  if (count == 0) return true;
  if (count > static_cast<std::size_t>(INT_MAX)) return false;
  return RAND_bytes(buffer, static_cast<int>(count)) == 1;
}

bool Sha256(const void* data, std::size_t length, std::array<std::uint8_t, 32>& digest) {
  unsigned int size = 0;
  return EVP_Digest(data, length, digest.data(), &size, EVP_sha256(), nullptr) == 1 && size == digest.size();
}

}  // namespace platform
