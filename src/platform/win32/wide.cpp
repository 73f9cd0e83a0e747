#include "platform/win32/wide.h"

#include <windows.h>

#include <vector>

#include "platform/unicode.h"

namespace platform {
namespace {

constexpr DWORD kLongestPath = 32768;

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && std::wstring_view(text).substr(0, prefix.size()) == prefix;
}

}  // namespace

std::wstring ToWide(const std::string& text) {
  const std::u16string wide = Utf8ToWide(text);
  return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

std::string FromWide(std::wstring_view text) {
  return WideToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

bool FullPathName(const std::wstring& path, std::wstring& full) {
  if (path.empty()) return false;
  std::vector<wchar_t> buffer(kLongestPath);
  const DWORD length = GetFullPathNameW(path.c_str(), kLongestPath, buffer.data(), nullptr);
  if (length == 0 || length >= kLongestPath) return false;
  full.assign(buffer.data(), length);
  return true;
}

std::wstring SystemPath(const std::string& path) {
  std::wstring wide = ToWide(path);
  if (StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\")) return wide;
  // The prefixed form is taken literally by the system, so it must already be absolute and
  // resolved: GetFullPathNameW does that, turning "/" into "\" and removing "." and "..".
  std::wstring full;
  if (!FullPathName(wide, full)) return {};
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  return L"\\\\?\\" + full;
}

}  // namespace platform
