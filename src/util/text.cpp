#include "util/text.h"

#include <array>
#include <cstdint>
#include <vector>

#include "platform/crypto.h"
#include "platform/unicode.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsLowerHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence that starts at text[at] (a byte of 0x80 or above),
// or 0 when it is not one: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) {
  if (text.empty()) return {};
  return platform::WideToUtf8(text);
}

std::u16string Utf8ToUtf16(const std::string& text) {
  if (text.empty()) return {};
  return platform::Utf8ToWide(text);
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<std::uint8_t>(text[i]) < 0x80) {
      ++i;
    } else if (const std::size_t length = Utf8SequenceLength(text, i); length > 0) {
      i += length;
    } else {
      return false;
    }
  }
  return true;
}

std::string HexEncode(const void* bytes, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::string out;
  out.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    out += kHexDigits[p[i] >> 4];
    out += kHexDigits[p[i] & 0x0F];
  }
  return out;
}

std::string RandomHex(std::size_t byteCount) {
  std::vector<std::uint8_t> buffer(byteCount);
  if (!platform::RandomBytes(buffer.data(), buffer.size())) return {};
  return HexEncode(buffer.data(), buffer.size());
}

std::string Sha256Hex(const void* data, std::size_t length) {
  std::array<std::uint8_t, 32> digest{};
  if (!platform::Sha256(data, length, digest)) return {};
  return HexEncode(digest.data(), digest.size());
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view lowerSuffix) {
  return text.size() >= lowerSuffix.size() && AsciiLower(text.substr(text.size() - lowerSuffix.size())) == lowerSuffix;
}

std::string JsonEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        out += kReplacementCharacter;  // a file name need not be UTF-8; the answer must be
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
      continue;
    }
    ++i;
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHexDigits[byte >> 4];
          out += kHexDigits[byte & 0x0F];
        } else {
          out += c;
        }
    }
  }
  return out;
}

bool IsLowerHexOfLength(std::string_view text, std::size_t length) {
  if (text.size() != length) return false;
  for (const char c : text) {
    if (!IsLowerHexDigit(c)) return false;
  }
  return true;
}

bool IsPageIdShape(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !IsLowerHexDigit(text[i])) return false;
  }
  return true;
}
