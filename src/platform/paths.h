#pragma once
// Path operations that depend on the operating system's rules.
#include <string>

namespace platform {

// The absolute form of a UTF-8 path: relative to the current folder, with "." and ".."
// segments and repeated separators resolved lexically (the file need not exist). False when
// the current folder cannot be read or the result is unreasonably long (32768 units or more).
bool AbsolutePath(const std::string& path, std::string& absolute);

}  // namespace platform
