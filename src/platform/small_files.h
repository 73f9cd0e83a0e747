#pragma once
// Writing the program's small files (the recent list, the ticket file) in one go.
#include <string>

namespace platform {

// Creates or truncates the file (readable by the user only when it is new) and writes the bytes.
// True only when the open, every write and the close succeeded.
bool WriteSmallFile(const std::string& path, const std::string& bytes);

}  // namespace platform
