#include "util/byte_buffer.h"

#include <cstring>
#include <new>

#include "platform/memory.h"

namespace {
// From here on a buffer is worth pages of its own.
constexpr std::size_t kLargeBytes = std::size_t{4} << 20;
}  // namespace

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this == &other) return *this;
  Release();
  bytes_ = other.bytes_;
  size_ = other.size_;
  capacity_ = other.capacity_;
  large_ = other.large_;
  other.bytes_ = nullptr;
  other.size_ = other.capacity_ = 0;
  other.large_ = false;
  return *this;
}

void ByteBuffer::Release() {
  if (large_) platform::ReleaseLargeBlock(bytes_, capacity_);
  else delete[] bytes_;
  bytes_ = nullptr;
}

bool ByteBuffer::Grow(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  const bool large = capacity >= kLargeBytes;
  // Uninitialised on purpose: every byte up to size_ is written before it is read.
  char* bytes = large ? platform::AllocateLargeBlock(capacity) : new (std::nothrow) char[capacity];
  if (bytes == nullptr) return false;
  if (size_ > 0) std::memcpy(bytes, bytes_, size_);
  Release();
  bytes_ = bytes;
  capacity_ = capacity;
  large_ = large;
  return true;
}

void ByteBuffer::reserve(std::size_t capacity) {
  if (!Grow(capacity)) throw std::bad_alloc();
}

char* ByteBuffer::Extend(std::size_t count) {
  if (count > capacity_ - size_) {
    // Doubling keeps a run of appends linear.
    const std::size_t wanted = size_ + count;
    if (wanted < size_ || !Grow(wanted > 2 * capacity_ ? wanted : 2 * capacity_)) return nullptr;
  }
  char* start = bytes_ + size_;
  size_ += count;
  return start;
}

void ByteBuffer::append(std::string_view bytes) {
  if (bytes.empty()) return;
  char* place = Extend(bytes.size());
  if (place == nullptr) throw std::bad_alloc();
  std::memcpy(place, bytes.data(), bytes.size());
}
