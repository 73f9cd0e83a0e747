#include "platform/memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

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

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Blocks are whole huge pages, so that both trimmed ends and the block start on page boundaries.
std::size_t WholeHugePages(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
}  // namespace

char* AllocateLargeBlock(std::size_t bytes) {
  if (bytes == 0 || bytes > SIZE_MAX - 2 * kHugePage) return nullptr;
  const std::size_t size = WholeHugePages(bytes);
  // Over-asked by a huge page and trimmed at both ends, so that the block starts on one.
  const std::size_t mapped = size + kHugePage;
  void* start = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (start == MAP_FAILED) return nullptr;
  const auto at = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t aligned = (at + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  if (aligned > at) ::munmap(start, aligned - at);
  const std::size_t tail = mapped - (aligned - at) - size;
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
  auto* block = reinterpret_cast<char*>(aligned);
  // Only a hint: without transparent huge pages the block is an ordinary mapping.
  ::madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void ReleaseLargeBlock(char* block, std::size_t bytes) {
  if (block != nullptr) ::munmap(block, WholeHugePages(bytes));
}

}  // namespace platform
