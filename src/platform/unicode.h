#pragma once
// UTF-8 <-> UTF-16 with the operating system's semantics: ill-formed input becomes U+FFFD.
#include <string>

namespace platform {

// Both give the empty string when the conversion fails; the caller handles empty input.
std::string WideToUtf8(const std::u16string& text);
std::u16string Utf8ToWide(const std::string& text);

}  // namespace platform
