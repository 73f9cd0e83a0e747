#pragma once
// The .fcard file format: creating, opening and verifying a document.
#include <cstdint>
#include <string>

#include "store/document_file.h"

struct sqlite3;
struct sqlite3_stmt;

void CloseConnection(sqlite3* connection);
void FinalizeStatement(sqlite3_stmt* statement);

// Owns one SQLite object and releases it on destruction. Move-only.
template <typename T, void (*Release)(T*)>
class SqliteHandle {
 public:
  SqliteHandle() = default;
  explicit SqliteHandle(T* held) : held_(held) {}
  SqliteHandle(SqliteHandle&& other) noexcept : held_(other.release()) {}
  SqliteHandle& operator=(SqliteHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  SqliteHandle(const SqliteHandle&) = delete;
  SqliteHandle& operator=(const SqliteHandle&) = delete;
  ~SqliteHandle() { reset(nullptr); }

  T* get() const { return held_; }
  // Releases what it holds, then lends its slot to the function that makes a new one.
  T** out() {
    reset(nullptr);
    return &held_;
  }
  T* release() {
    T* held = held_;
    held_ = nullptr;
    return held;
  }

 private:
  void reset(T* held) {
    if (held_ != nullptr) Release(held_);
    held_ = held;
  }
  T* held_ = nullptr;
};

using ConnectionHandle = SqliteHandle<sqlite3, CloseConnection>;
using StatementHandle = SqliteHandle<sqlite3_stmt, FinalizeStatement>;

// Runs SQL without results; true when it succeeded.
bool Exec(sqlite3* connection, const char* sql);

// Error, with the library's text of the connection's last failure as the cause.
Status SqliteFailure(sqlite3* connection);
// Ok when done, else SqliteFailure.
Status Checked(sqlite3* connection, bool done);

std::string ReadTextColumn(sqlite3_stmt* statement, int column);
std::string ReadBodyColumn(sqlite3_stmt* statement);

// Turns a freshly created, empty database into a document.
Status InitializeStore(sqlite3* connection);

// Opens an existing document read-write and verifies it: FileNotFound, NotADocument, NewerVersion
// or CannotOpen when it cannot be. The handle is filled whenever the library produced one, also
// on failure.
Status OpenStore(const std::string& path, ConnectionHandle& connection);

// OpenStore for an open document: FileNotFound when the file at its path is no longer the one
// that was opened. A read-only document gets a connection that cannot write.
Status OpenDocumentStore(const DocumentFile& document, ConnectionHandle& connection);

// OpenDocumentStore for a write: ReadOnly for a read-only document (before anything is opened),
// Error (with the cause) when the store cannot be opened. Every write of an open document starts here.
Status OpenDocumentStoreForWriting(const DocumentFile& document, ConnectionHandle& connection);

Status VerifySchema(sqlite3* connection);

// The file's change counter from its header, which every commit moves by one while the file
// keeps a rollback journal (false in write-ahead mode, where commits do not move it, or when
// the header cannot be read). Read through the library's own file handle: a second descriptor
// of the file, once closed, would drop the library's locks on POSIX. Only sound while a
// transaction holds the file's shared lock.
bool ReadFileChangeCounter(sqlite3* connection, std::uint32_t& counter);

// The check made before a file becomes an open document: OpenStore's codes, and NotADocument for
// a file whose pages fail the integrity check.
Status ValidateDocumentFile(const std::string& path);
