#pragma once
// Path names as the operating system understands them. Paths are UTF-8 inside the program.
#include <string>

namespace platform {

// Whether two paths name one document: byte equality where the file system tells case apart,
// an ordinal comparison that ignores case where it does not.
bool SamePath(const std::string& a, const std::string& b);

// A full path that does not depend on the current folder.
bool IsAbsolutePath(const std::string& path);

// True when something exists at path and it is not a folder.
bool IsExistingFile(const std::string& path);

}  // namespace platform
