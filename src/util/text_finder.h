#pragma once
// Finding one byte string in many texts fast, and a quick hash that tells texts apart.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Finds a needle, prepared once, in any number of texts. Candidates are found 16 bytes at a
// time by two of the needle's bytes at their distance: its last byte and the rarest-looking of
// the others. A first-byte scan alone stops at nearly every character of Japanese text, whose
// UTF-8 lead bytes repeat.
class TextFinder {
 public:
  explicit TextFinder(std::string needle);

  // The first occurrence at or after from, or npos. An empty needle is never found.
  std::size_t Find(std::string_view text, std::size_t from = 0) const;
  // Occurrences that do not overlap, counted from the start.
  std::size_t Count(std::string_view text) const;

 private:
  std::string needle_;
  std::size_t rare_ = 0;  // position of the other byte compared first
};

// A 64-bit hash of the bytes: the same bytes always give the same value on every system, and two
// different texts practically never do. Not a defence against anyone choosing texts to collide.
std::uint64_t ContentHash(std::string_view bytes);
