#include "util/text.h"

#include <array>
#include <cstdint>
#include <vector>

#include "platform/crypto.h"
#include "platform/unicode.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsLowerHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) {
  if (text.empty()) return {};
  return platform::WideToUtf8(text);
}

std::u16string Utf8ToUtf16(const std::string& text) {
  if (text.empty()) return {};
  return platform::Utf8ToWide(text);
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
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
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
