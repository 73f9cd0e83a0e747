#pragma once
// A run of bytes that grows at its end like a string, except that new room is not zeroed before
// it is written: a large file read into it is written once, by the read, and nothing else. Large
// buffers come straight from the system in large pages (platform/memory.h).
#include <cstddef>
#include <string_view>

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer& other) { append(other.view()); }
  ByteBuffer(ByteBuffer&& other) noexcept { *this = std::move(other); }
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer() { Release(); }

  std::size_t size() const { return size_; }
  std::string_view view() const { return {bytes_, size_}; }
  operator std::string_view() const { return view(); }

  void reserve(std::size_t capacity);
  void append(std::string_view bytes);
  ByteBuffer& operator+=(std::string_view bytes) {
    append(bytes);
    return *this;
  }
  // Grows by count bytes left for the caller to write, and gives where they start; nullptr (and
  // no change) when that much memory cannot be had.
  char* Extend(std::size_t count);
  // Keeps only the first count bytes (count at most size()).
  void Truncate(std::size_t count) { size_ = count < size_ ? count : size_; }

 private:
  bool Grow(std::size_t capacity);
  void Release();

  char* bytes_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool large_ = false;  // from platform::AllocateLargeBlock rather than new[]
};
