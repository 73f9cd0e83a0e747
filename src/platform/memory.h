#pragma once
// The allocator's handling of freed memory, and blocks for large buffers.
#include <cstddef>

namespace platform {

// Keeps memory freed by one request for the next instead of handing it back to the system at
// once: the same large bodies come and go with every request.
void KeepFreedMemoryForReuse();

// A block of at least bytes straight from the system (which hands it out zeroed as each page is
// first touched), in pages as large as it offers without privileges, so that filling tens of
// megabytes takes few page faults; nullptr when it cannot be had. Give it back with the same size.
char* AllocateLargeBlock(std::size_t bytes);
void ReleaseLargeBlock(char* block, std::size_t bytes);

}  // namespace platform
