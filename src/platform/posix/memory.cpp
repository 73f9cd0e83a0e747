#include "platform/memory.h"

#include <malloc.h>

namespace platform {

void KeepFreedMemoryForReuse() {
  // Blocks up to 32 MiB come from the heap rather than from their own mappings, and up to
  // 32 MiB of free heap is kept: each request's bodies then land in pages already mapped.
  constexpr int kKeepBytes = 32 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kKeepBytes);
  mallopt(M_TRIM_THRESHOLD, kKeepBytes);
  // Each arena keeps its own freed memory: one per worker thread would keep a body's worth
  // each, so the request workers share two.
  mallopt(M_ARENA_MAX, 2);
}

}  // namespace platform
