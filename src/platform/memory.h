#pragma once
// The allocator's handling of freed memory.

namespace platform {

// Keeps memory freed by one request for the next instead of handing it back to the system at
// once: the same large bodies come and go with every request.
void KeepFreedMemoryForReuse();

}  // namespace platform
