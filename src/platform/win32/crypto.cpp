// Random bytes and SHA-256 from Windows CNG.
#include "platform/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <climits>

namespace platform {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// Owning handles: whatever was opened is closed on every way out.
struct AlgorithmHandle {
  BCRYPT_ALG_HANDLE handle = nullptr;
  ~AlgorithmHandle() {
    if (handle) BCryptCloseAlgorithmProvider(handle, 0);
  }
};

struct HashHandle {
  BCRYPT_HASH_HANDLE handle = nullptr;
  ~HashHandle() {
    if (handle) BCryptDestroyHash(handle);
  }
};

}  // namespace

bool RandomBytes(std::uint8_t* buffer, std::size_t count) {
  // BCryptGenRandom takes a 32-bit count; larger requests go in pieces.
  while (count > 0) {
    const ULONG piece = count > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(count);
    if (!Succeeded(BCryptGenRandom(nullptr, buffer, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return false;
    buffer += piece;
    count -= piece;
  }
  return true;
}

bool Sha256(const void* data, std::size_t length, std::array<std::uint8_t, 32>& digest) {
  AlgorithmHandle algorithm;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return false;
  HashHandle hash;
  if (!Succeeded(BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0))) return false;
  // BCryptHashData takes a 32-bit length and a non-const pointer it does not write through.
  auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
  while (length > 0) {
    const ULONG piece = length > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(length);
    if (!Succeeded(BCryptHashData(hash.handle, bytes, piece, 0))) return false;
    bytes += piece;
    length -= piece;
  }
  return Succeeded(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0));
}

}  // namespace platform
