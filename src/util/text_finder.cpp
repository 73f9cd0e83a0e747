#include "util/text_finder.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define FERNCARD_FINDER_SSE2 1
#endif

namespace {

// How often a byte turns up in notes, roughly: spaces, common letters and the lead bytes of
// Japanese UTF-8 are frequent; other bytes (continuation bytes among them) are rarer.
int Commonness(unsigned char c) {
  if (c == ' ' || c == 'e' || c == 't' || c == 'a' || c == 'o' || c == 'i' || c == 'n') return 3;
  if (c >= 0xE3 && c <= 0xE9) return 3;
  if (c >= 'a' && c <= 'z') return 2;
  if (c >= 0x80 && c <= 0x83) return 2;  // continuation bytes of kana
  return 1;
}

}  // namespace

TextFinder::TextFinder(std::string needle) : needle_(std::move(needle)) {
  for (std::size_t i = 1; i + 1 < needle_.size(); ++i) {
    if (Commonness(static_cast<unsigned char>(needle_[i])) < Commonness(static_cast<unsigned char>(needle_[rare_]))) {
      rare_ = i;
    }
  }
}

std::size_t TextFinder::Find(std::string_view text, std::size_t from) const {
  const std::size_t n = needle_.size();
  if (n == 0 || from > text.size() || text.size() - from < n) return std::string_view::npos;
  std::size_t at = from;
#ifdef FERNCARD_FINDER_SSE2
  if (n > 1) {
    const std::size_t last = n - 1;
    const __m128i rare = _mm_set1_epi8(needle_[rare_]);
    const __m128i tail = _mm_set1_epi8(needle_[last]);
    const char* data = text.data();
    // Each step looks at the 16 places at, at + 1, ... at + 15 where the needle could start.
    for (; at + last + 16 <= text.size(); at += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + rare_));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + last));
      auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, rare), _mm_cmpeq_epi8(b, tail))));
      while (mask != 0) {
        const std::size_t start = at + static_cast<std::size_t>(std::countr_zero(mask));
        if (std::memcmp(data + start, needle_.data(), last) == 0) return start;
        mask &= mask - 1;
      }
    }
  }
#endif
  return text.find(needle_, at);
}

std::size_t TextFinder::Count(std::string_view text) const {
  std::size_t count = 0;
  for (std::size_t at = Find(text); at != std::string_view::npos; at = Find(text, at + needle_.size())) ++count;
  return count;
}

std::uint64_t ContentHash(std::string_view bytes) {
  // Eight bytes at a time through the rounds of the xxHash family, little-endian whatever the machine.
  constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
  constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
  constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  const auto word = [&](std::size_t at) {
    std::uint64_t value = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&value, data + at, sizeof value);  // one load: indexes are hashed 70 MB at a time
    } else {
      for (int i = 7; i >= 0; --i) value = (value << 8) | data[at + static_cast<std::size_t>(i)];
    }
    return value;
  };
  const auto round = [](std::uint64_t lane, std::uint64_t input) {
    return std::rotl(lane + input * kPrime2, 31) * kPrime1;
  };
  // Four lanes in locals of their own, so that they stay in registers.
  std::uint64_t lane0 = kPrime1 + kPrime2, lane1 = kPrime2, lane2 = 0, lane3 = 0 - kPrime1;
  std::size_t at = 0;
  for (; at + 32 <= size; at += 32) {
    lane0 = round(lane0, word(at));
    lane1 = round(lane1, word(at + 8));
    lane2 = round(lane2, word(at + 16));
    lane3 = round(lane3, word(at + 24));
  }
  std::uint64_t hash = std::rotl(lane0, 1) + std::rotl(lane1, 7) + std::rotl(lane2, 12) + std::rotl(lane3, 18) + size;
  for (; at + 8 <= size; at += 8) hash = std::rotl(hash ^ round(0, word(at)), 27) * kPrime1 + kPrime3;
  for (; at < size; ++at) hash = std::rotl(hash ^ (data[at] * kPrime3), 11) * kPrime1;
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  return hash ^ (hash >> 32);
}
