#pragma once
// Files and folders. Paths are UTF-8; the implementation converts them for the operating system.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// True when anything (file, folder, link) exists under the path; never creates anything.
bool PathExists(const std::string& path);

// True when both paths reach one existing file, however they are spelled (links, "." and ".."
// segments, another letter case): replacing one of them would replace the other's content.
bool SameExistingFile(const std::string& a, const std::string& b);

// The identity of the existing file at path (its volume and its number there), the same for
// every spelling of its path and different for a file put in its place; empty when it cannot be
// told.
std::string FileIdentityOf(const std::string& path);

// True when another program can still rename a file over, or delete, a file this process holds
// open (POSIX), false when holding it open prevents that (Windows, where SQLite opens its files
// without sharing deletion): a file is then held open no longer than an operation needs.
bool OpenFilesCanBeReplaced();

// The full path of the existing file or folder at path as the system names it, with every link,
// "." and ".." followed; empty when it cannot be told (nothing there, say).
std::string CanonicalPath(const std::string& path);

// True when the path names an existing folder.
bool IsFolder(const std::string& path);

// Appends name to folder with the system's separator (none added when folder already ends in one).
std::string JoinPath(const std::string& folder, const std::string& name);

enum class RenameResult { Ok, AlreadyExists, Failed };

// Flushes `from` to disk, renames it to `to` (replacing a file there), then flushes the folder entry.
RenameResult ReplaceFileDurably(const std::string& from, const std::string& to);

// As ReplaceFileDurably, but never replaces: an existing `to` gives AlreadyExists and nothing moves.
RenameResult MoveFileNoReplaceDurably(const std::string& from, const std::string& to);

// Copies the bytes of `from` to a new file `to` and flushes it; false if `to` exists or anything fails
// (a partial `to` is then removed). The copy carries no read-only attribute: its owner may write it.
// The source is opened, read to its end and closed within the call.
bool CopyFileNoReplace(const std::string& from, const std::string& to);

// Sets a file's last-write time (milliseconds since 1970-01-01 UTC).
bool SetLastWriteTime(const std::string& path, std::int64_t milliseconds);

// Up to count bytes from the start of a file (fewer when it is shorter); false when it cannot be read.
bool ReadFileStart(const std::string& path, std::size_t count, std::string& bytes);

// Deletes a file; false when it could not be deleted (or did not exist).
bool DeleteFile(const std::string& path);

enum class ReadResult { Ok, NotARegularFile, TooLarge, Failed };

// The whole content of a regular file of at most maxBytes bytes (checked before reading), read
// straight into the memory that place gives for the file's size (nullptr: Failed), so that a
// large file is written once where it is kept, with no zeroed buffer or copy between.
using ReadPlace = std::function<char*(std::size_t size)>;
ReadResult ReadFileInto(const std::string& path, std::uint64_t maxBytes, const ReadPlace& place);

// The same read into a string; empty unless Ok.
inline ReadResult ReadFileBytes(const std::string& path, std::uint64_t maxBytes, std::string& bytes) {
  bytes.clear();
  const ReadResult result = ReadFileInto(path, maxBytes, [&bytes](std::size_t size) {
    bytes.resize(size);
    return bytes.data();
  });
  if (result != ReadResult::Ok) bytes.clear();
  return result;
}

struct FolderEntry {
  std::string name;               // UTF-8 name without the folder; never "." or ".."
  bool isFolder = false;
  std::int64_t lastWriteMs = 0;   // last-write time, milliseconds since 1970-01-01 UTC
};

enum class ListResult { Ok, NoSuchFolder, Failed };

// The entries of a folder in the order the file system gives them; NoSuchFolder when it is missing.
ListResult ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Blocks the calling thread for the given time.
void SleepMilliseconds(int milliseconds);

}  // namespace platform
