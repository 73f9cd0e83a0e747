#include <windows.h>

#include "platform/memory.h"

namespace platform {

// The process heap already keeps freed blocks for reuse.
void KeepFreedMemoryForReuse() {}

// Large pages need a privilege that ordinary users lack: ordinary committed pages, which the
// system zeroes as each is first touched.
char* AllocateLargeBlock(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  return static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void ReleaseLargeBlock(char* block, std::size_t) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace platform
