// UTF-8 <-> UTF-16 with the system's code-page functions. Flags 0: ill-formed input is
// not an error, the system puts U+FFFD in its place.
#include "platform/unicode.h"

#include <windows.h>

#include <climits>

namespace platform {

std::string WideToUtf8(const std::u16string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int wideLength = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string out(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, out.data(), length, nullptr, nullptr) != length) return {};
  return out;
}

std::u16string Utf8ToWide(const std::string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int narrowLength = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), narrowLength, nullptr, 0);
  if (length <= 0) return {};
  std::u16string out(static_cast<std::size_t>(length), u'\0');
  auto* wide = reinterpret_cast<wchar_t*>(out.data());
  if (MultiByteToWideChar(CP_UTF8, 0, text.data(), narrowLength, wide, length) != length) return {};
  return out;
}

}  // namespace platform
