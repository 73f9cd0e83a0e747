#pragma once
// One open document: its path, the lock every store operation on it holds, and the record of the
// writes this process made to it.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "util/fair_mutex.h"
#include "util/status.h"

// The writes this process committed to a document, so that a reader can bring what it derived
// from the pages up to date by reading again only the pages written since. Guarded by the
// document's mutex.
struct WriteLog {
  // Committed write transactions. Each one moves the file's change counter by exactly one, which
  // is how a reader tells these writes from another program's.
  std::uint64_t commits = 0;
  // The value of commits when a write's effect on the file was last in doubt (a failed commit):
  // a reader that looked before then must read every page again.
  std::uint64_t doubtfulAt = 0;
  std::unordered_map<std::string, std::uint64_t> pages;  // page id: the value of commits after its last write
};

// Every document file's name ends in it.
inline constexpr char kDocumentExtension[] = ".fcard";

struct sqlite3;

// The verified connection an open document keeps between operations (store/kept_connection.h).
struct KeptConnection {
  sqlite3* connection = nullptr;
  std::uint32_t dataVersion = 0;  // the library's data version of the file after the last use
  // The version tags of records ("table/id") read or written since no one else wrote the file:
  // a record read again needs no hashing. They hold while the file's change counter stays where
  // tagsCounter says (a connection not kept, as after a large body, finds them so), or while
  // the kept connection has seen no other commit; emptied otherwise.
  std::unordered_map<std::string, std::string> tags;
  std::uint32_t tagsCounter = 0;
  bool tagsCounted = false;  // tagsCounter was read: the file keeps a rollback journal

  KeptConnection() = default;
  KeptConnection(const KeptConnection&) = delete;
  KeptConnection& operator=(const KeptConnection&) = delete;
  ~KeptConnection();  // closes it
};

// A body of this size or more is large: a request that moves one waits its turn among the heavy
// requests, so that light ones never queue behind it.
inline constexpr std::size_t kLargeBodyBytes = 1048576;

// The records ("table/id") last seen, read or written, with a large body. Guarded by its own
// mutex, held only to look or note, so that a request can be weighed before it runs without
// waiting for the document.
struct LargeRecords {
  std::mutex mutex;
  std::unordered_set<std::string> keys;
};

struct DocumentFile {
  std::string path;  // UTF-8 full path of the .fcard file; fixed once the document is open
  // The identity of the file that was opened: a file put in its place is another user's file
  // and is never read or written as this document. Empty: not checked.
  std::string identity;
  // A document opened from the backups folder: every write is refused, and the file is read
  // through connections that cannot write. Fixed once the document is open.
  bool readOnly = false;
  FairMutex mutex;           // held by every store operation on the document
  std::mutex piecewiseRead;  // held by the one large body read in pieces at a time
  WriteLog writes;
  KeptConnection kept;  // guarded by mutex
  LargeRecords large;
};
