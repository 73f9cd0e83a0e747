#pragma once
// Writing the program's own files (the recent list, the ticket file, the search index) in one go.
#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// Creates or truncates the file (readable by the user only when it is new) and writes the parts one
// after another.
// True only when the open, every write and the close succeeded.
bool WriteFileParts(const std::string& path, std::initializer_list<std::string_view> parts);
inline bool WriteSmallFile(const std::string& path, const std::string& bytes) { return WriteFileParts(path, {bytes}); }

}  // namespace platform
