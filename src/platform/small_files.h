#pragma once
// Whole-file reads and writes of the program's small files (recent list, ticket file).
#include <string>

namespace platform {

// Reads every byte of the file; false when it cannot be opened or read.
bool ReadWholeSmallFile(const std::string& path, std::string& bytes);

// Creates or truncates the file (readable by the user only when new) and writes the bytes.
// True only when the open, every write and the close succeeded.
bool WriteWholeSmallFile(const std::string& path, const std::string& bytes);

// Puts from in place of to in one step, so readers see either the old or the new file.
bool ReplaceFileAtomically(const std::string& from, const std::string& to);

// Removes the file; false when it could not be removed (a missing file included).
bool RemoveFileQuietly(const std::string& path);

}  // namespace platform
