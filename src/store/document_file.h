#pragma once
// One open document: its path and the lock every store operation on it holds.
#include <mutex>
#include <string>

struct DocumentFile {
  std::string path;  // UTF-8 full path of the .fcard file; fixed once the document is open
  // The identity of the file that was opened: a file put in its place is another user's file
  // and is never read or written as this document. Empty: not checked.
  std::string identity;
  std::mutex mutex;
};

enum class StoreOpenResult { Ok = 0, FileNotFound = 1, NotADocument = 2, NewerVersion = 3, CannotOpen = 4 };

enum class StoreResult { Ok = 0, Conflict = 1, Error = 2, NotFound = 3 };
