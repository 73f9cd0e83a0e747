#pragma once
// Writing a code point as UTF-8: the one encoder of the program, for the layers above as well as
// the system's side (no system service behind it, so it is all here).
#include <cstdint>
#include <string>

namespace platform {

// Writes code (at most 0x10FFFF; the caller has replaced surrogates) at out as 1 to 4 bytes and
// returns the end of what it wrote.
inline char* EncodeUtf8(std::uint32_t code, char* out) {
  if (code < 0x80) {
    *out++ = static_cast<char>(code);
    return out;
  }
  if (code < 0x800) {
    *out++ = static_cast<char>(0xC0 | (code >> 6));
  } else if (code < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (code >> 12));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (code >> 18));
    *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  }
  *out++ = static_cast<char>(0x80 | (code & 0x3F));
  return out;
}

inline void AppendUtf8(std::string& out, std::uint32_t code) {
  char bytes[4];
  out.append(bytes, static_cast<std::size_t>(EncodeUtf8(code, bytes) - bytes));
}

}  // namespace platform
