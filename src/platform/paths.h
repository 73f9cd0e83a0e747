#pragma once
// Path operations that depend on the operating system's rules. Paths are UTF-8 inside the program.
#include <string>

namespace platform {

// The absolute form of a UTF-8 path: relative to the current folder, with "." and ".."
// segments and repeated separators resolved lexically (the file need not exist). False when
// the current folder cannot be read or the result is unreasonably long (32768 units or more).
bool AbsolutePath(const std::string& path, std::string& absolute);

// Whether two paths name one document: byte equality where the file system tells case apart,
// an ordinal comparison that ignores case where it does not.
bool SamePath(const std::string& a, const std::string& b);

// The text that every spelling of one path, as SamePath compares them, has in common: the path
// itself where letter case tells files apart, with ASCII letters lower-cased where it does not.
std::string PathComparisonKey(const std::string& path);

// A full path that does not depend on the current folder.
bool IsAbsolutePath(const std::string& path);

// The name after the last folder separator: only '/' separates on Linux, where a backslash is
// an ordinary file-name character; Windows takes both.
std::string FileNameOf(const std::string& path);

// True when something exists at path and it is not a folder.
bool IsExistingFile(const std::string& path);

}  // namespace platform
