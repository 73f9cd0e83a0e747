#pragma once
// The .fcard file format: creating, opening and verifying a document.
#include <string>

#include "store/document_file.h"

struct sqlite3;
struct sqlite3_stmt;

// Owns a connection; closes it on destruction. Move-only.
class ConnectionHandle {
 public:
  ConnectionHandle() = default;
  explicit ConnectionHandle(sqlite3* db) : db_(db) {}
  ConnectionHandle(ConnectionHandle&& other) noexcept : db_(other.release()) {}
  ConnectionHandle& operator=(ConnectionHandle&& other) noexcept;
  ConnectionHandle(const ConnectionHandle&) = delete;
  ConnectionHandle& operator=(const ConnectionHandle&) = delete;
  ~ConnectionHandle();
  sqlite3* get() const { return db_; }
  sqlite3** out();  // closes what it holds, then lends its slot to sqlite3_open_v2
  sqlite3* release();

 private:
  sqlite3* db_ = nullptr;
};

// Owns a prepared statement; finalises it on destruction. Move-only.
class StatementHandle {
 public:
  StatementHandle() = default;
  StatementHandle(StatementHandle&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  StatementHandle& operator=(StatementHandle&& other) noexcept;
  StatementHandle(const StatementHandle&) = delete;
  StatementHandle& operator=(const StatementHandle&) = delete;
  ~StatementHandle();
  sqlite3_stmt* get() const { return stmt_; }
  sqlite3_stmt** out();

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::string ReadTextColumn(sqlite3_stmt* statement, int column);
std::string ReadBodyColumn(sqlite3_stmt* statement);

// Turns a freshly created, empty database into a document.
bool InitializeStore(sqlite3* connection);

// Opens an existing document read-write and verifies it. The handle is filled whenever
// the library produced one, also on failure.
StoreOpenResult OpenStore(const std::string& path, ConnectionHandle& connection);

// OpenStore for an open document: FileNotFound when the file at its path is no longer the one
// that was opened.
StoreOpenResult OpenDocumentStore(const DocumentFile& document, ConnectionHandle& connection);

StoreOpenResult VerifySchema(sqlite3* connection);

// The check made before a file becomes an open document; message is the user's text on failure.
bool ValidateDocumentFile(const std::string& path, std::string& acceptedPath, std::string& message);
