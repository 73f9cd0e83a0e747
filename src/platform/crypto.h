#pragma once
// Random bytes and SHA-256 from the operating system's cryptography.
#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {

// Fills the buffer from the system's preferred random generator; false when it fails.
bool RandomBytes(std::uint8_t* buffer, std::size_t count);

// SHA-256 of the bytes; false when the provider fails.
bool Sha256(const void* data, std::size_t length, std::array<std::uint8_t, 32>& digest);

}  // namespace platform
