#pragma once
// Text encoding, hexadecimal, random identifiers, SHA-256, JSON escaping and identifier shapes.
// None of these keeps state or throws: a failure gives an empty string or false.
#include <cstddef>
#include <string>
#include <string_view>

std::string Utf16ToUtf8(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& text);

std::string HexEncode(const void* bytes, std::size_t count);

// 2 * byteCount lower-case hex characters from the system's random generator, or empty.
std::string RandomHex(std::size_t byteCount);

// 64 lower-case hex characters, or empty when hashing failed.
std::string Sha256Hex(const void* data, std::size_t length);
inline std::string Sha256Hex(std::string_view text) { return Sha256Hex(text.data(), text.size()); }

// A-Z become a-z; every other byte stays, whatever the locale.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string AsciiLower(std::string_view text);

// text ends in suffix, A-Z in text read as a-z; suffix is given in lower case.
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view lowerSuffix);

// Escapes for the inside of a JSON string literal (no quotes added). Always valid UTF-8: each
// byte that is not part of a well-formed sequence becomes U+FFFD.
std::string JsonEscape(std::string_view text);

// Well-formed UTF-8 throughout: no stray, overlong or surrogate sequence.
bool IsUtf8(std::string_view text);

bool IsLowerHexOfLength(std::string_view text, std::size_t length);

// 36 characters, '-' at 8, 13, 18 and 23, lower-case hex elsewhere.
bool IsPageIdShape(std::string_view text);
