#pragma once
// UTF-8 <-> UTF-16 at the Windows calls, and the long form of file paths.
#include <string>
#include <string_view>

namespace platform {

// UTF-16 for a Windows call; empty input gives the empty string.
std::wstring ToWide(const std::string& text);

// UTF-8 from a Windows string; empty input gives the empty string.
std::string FromWide(std::wstring_view text);

// The path as Windows file calls should get it: absolute, separators as "\", and with the
// "\\?\" (or "\\?\UNC\") prefix, so that paths longer than 260 units work on every Windows 10
// whatever its long-path setting. Paths that already carry a "\\?\" or "\\.\" prefix are
// passed through. Empty when the path cannot be made absolute.
std::wstring SystemPath(const std::string& path);

// GetFullPathNameW with a buffer of 32768 units; false for a result of 0 or of 32768 or more.
bool FullPathName(const std::wstring& path, std::wstring& full);

}  // namespace platform
