#pragma once
// Small system services that only the tests need.
#include <cstdint>
#include <string>

// True when the Windows build runs under Wine, whose sockets differ from Windows' in a few
// places; always false elsewhere.
bool RunningUnderWine();

// True where the file system takes names that differ only in letter case for one file.
bool FileNamesIgnoreCase();

// Sets a file's last-write time to the millisecond (the standard library's setter is only
// exact to the second on some systems).
bool SetLastWriteMs(const std::string& path, std::int64_t millisecondsSince1970);
