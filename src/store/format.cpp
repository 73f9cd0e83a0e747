#include "store/format.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "platform/files.h"

namespace {

constexpr std::int64_t kApplicationId = 1178948174;  // "FERN" read as a big-endian integer
constexpr int kFormatVersion = 1;

struct SchemaTable {
  std::string_view name;
  std::string_view statement;
};

// Creation and verification both walk this table; the statements are compared byte for byte.
constexpr SchemaTable kSchema[] = {
    {"meta", "CREATE TABLE meta(id TEXT PRIMARY KEY, body BLOB NOT NULL)"},
    {"pages", "CREATE TABLE pages(id TEXT PRIMARY KEY, body BLOB NOT NULL)"},
    {"images", "CREATE TABLE images(id TEXT PRIMARY KEY, body BLOB NOT NULL, modified INTEGER NOT NULL)"},
};

bool IsAutomaticIndex(const std::string& name) {
  for (const auto& table : kSchema) {
    if (name == "sqlite_autoindex_" + std::string(table.name) + "_1") return true;
  }
  return false;
}

bool IsSchemaTable(const std::string& name, const std::string& sql) {
  for (const auto& table : kSchema) {
    if (name == table.name && sql == table.statement) return true;
  }
  return false;
}

}  // namespace

void CloseConnection(sqlite3* connection) { sqlite3_close(connection); }

void FinalizeStatement(sqlite3_stmt* statement) { sqlite3_finalize(statement); }

bool Exec(sqlite3* connection, const char* sql) {
  return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Status SqliteFailure(sqlite3* connection) {
  const char* text = connection == nullptr ? nullptr : sqlite3_errmsg(connection);
  return Status(StatusCode::Error, text == nullptr ? "out of memory" : text);
}

Status Checked(sqlite3* connection, bool done) { return done ? Status() : SqliteFailure(connection); }

std::string ReadTextColumn(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (text == nullptr) return {};
  // Text may hold NUL bytes; a C-string read would cut it short into another value.
  const int length = sqlite3_column_bytes(statement, column);
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

std::string ReadBodyColumn(sqlite3_stmt* statement) {
  const void* data = sqlite3_column_blob(statement, 0);
  const int length = sqlite3_column_bytes(statement, 0);
  if (data == nullptr || length < 1) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(length));
}

Status InitializeStore(sqlite3* connection) {
  if (!Exec(connection, "PRAGMA auto_vacuum=INCREMENTAL")) return SqliteFailure(connection);
  if (!Exec(connection, ("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str())) {
    return SqliteFailure(connection);
  }
  if (!Exec(connection, ("PRAGMA user_version=" + std::to_string(kFormatVersion)).c_str())) {
    return SqliteFailure(connection);
  }
  for (const auto& table : kSchema) {
    if (!Exec(connection, std::string(table.statement).c_str())) return SqliteFailure(connection);
  }
  return {};
}

namespace {

Status OpenStoreWith(const std::string& path, int flags, ConnectionHandle& connection) {
  // Checked first so that a missing file is never created by the library.
  if (!platform::PathExists(path)) return Status(StatusCode::FileNotFound, "no file at " + path);
  if (sqlite3_open_v2(path.c_str(), connection.out(), flags, nullptr) != SQLITE_OK) {
    return SqliteFailure(connection.get()).As(StatusCode::CannotOpen);
  }
  sqlite3* db = connection.get();
  sqlite3_busy_timeout(db, 5000);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  Exec(db, "PRAGMA trusted_schema=OFF");
  Exec(db, "PRAGMA secure_delete=ON");  // deleted bodies are overwritten with zeros on disk
  return VerifySchema(db);
}

}  // namespace

Status OpenStore(const std::string& path, ConnectionHandle& connection) {
  return OpenStoreWith(path, SQLITE_OPEN_READWRITE, connection);
}

Status OpenDocumentStore(const DocumentFile& document, ConnectionHandle& connection) {
  const auto replaced = [&] {
    return !document.identity.empty() && platform::FileIdentityOf(document.path) != document.identity;
  };
  const Status swapped(StatusCode::FileNotFound, "another file was put in place of " + document.path);
  if (replaced()) return swapped;
  const Status opened =
      OpenStoreWith(document.path, document.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, connection);
  // Checked again once the library has the file open: it may have been swapped in between.
  if (opened.ok() && replaced()) return swapped;
  return opened;
}

Status OpenDocumentStoreForWriting(const DocumentFile& document, ConnectionHandle& connection) {
  if (document.readOnly) return StatusCode::ReadOnly;
  const Status opened = OpenDocumentStore(document, connection);
  return opened.ok() ? opened : opened.As(StatusCode::Error);
}

Status VerifySchema(sqlite3* connection) {
  {
    StatementHandle statement;
    sqlite3_prepare_v2(connection, "PRAGMA application_id", -1, statement.out(), nullptr);
    if (statement.get() == nullptr) return SqliteFailure(connection).As(StatusCode::NotADocument);
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_BUSY) return SqliteFailure(connection).As(StatusCode::CannotOpen);
    if (step != SQLITE_ROW) return SqliteFailure(connection).As(StatusCode::NotADocument);
    const auto id = static_cast<std::uint32_t>(sqlite3_column_int64(statement.get(), 0));
    if (id != static_cast<std::uint32_t>(kApplicationId)) {
      return Status(StatusCode::NotADocument, "application id " + std::to_string(id));
    }
  }
  {
    StatementHandle statement;
    sqlite3_prepare_v2(connection, "PRAGMA user_version", -1, statement.out(), nullptr);
    if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) {
      return SqliteFailure(connection).As(StatusCode::NotADocument);
    }
    const auto version = static_cast<std::int32_t>(static_cast<std::uint32_t>(sqlite3_column_int64(statement.get(), 0)));
    if (version > kFormatVersion) return Status(StatusCode::NewerVersion, "format " + std::to_string(version));
    if (version < kFormatVersion) return Status(StatusCode::NotADocument, "format " + std::to_string(version));
  }
  StatementHandle statement;
  sqlite3_prepare_v2(connection, "SELECT type, name, sql FROM sqlite_master", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return SqliteFailure(connection).As(StatusCode::NotADocument);
  int tables = 0;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const std::string type = ReadTextColumn(statement.get(), 0);
    const std::string name = ReadTextColumn(statement.get(), 1);
    const std::string sql = ReadTextColumn(statement.get(), 2);
    if (type == "index" && sql.empty()) {
      if (!IsAutomaticIndex(name)) return Status(StatusCode::NotADocument, "foreign index " + name);
    } else if (type == "table" && IsSchemaTable(name, sql)) {
      ++tables;
    } else {
      return Status(StatusCode::NotADocument, "foreign schema object " + type + " " + name);
    }
  }
  if (step != SQLITE_DONE) return SqliteFailure(connection).As(StatusCode::NotADocument);
  return tables == 3 ? Status() : Status(StatusCode::NotADocument, "tables missing");
}

Status ValidateDocumentFile(const std::string& path) {
  ConnectionHandle connection;
  const Status opened = OpenStore(path, connection);
  if (!opened.ok()) return opened;
  StatementHandle statement;
  sqlite3_prepare_v2(connection.get(), "PRAGMA quick_check(1)", -1, statement.out(), nullptr);
  if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) {
    return SqliteFailure(connection.get()).As(StatusCode::NotADocument);
  }
  const std::string check = ReadTextColumn(statement.get(), 0);
  if (check != "ok") return Status(StatusCode::NotADocument, "integrity check: " + check);
  return {};
}

bool ReadFileChangeCounter(sqlite3* db, std::uint32_t& counter) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
      file->pMethods == nullptr) {
    return false;
  }
  unsigned char header[28] = {};
  if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK) return false;
  // In write-ahead mode the counter does not move on commits, so changes cannot be told apart.
  if (header[18] != 1) return false;
  counter = (std::uint32_t{header[24]} << 24) | (std::uint32_t{header[25]} << 16) |
            (std::uint32_t{header[26]} << 8) | std::uint32_t{header[27]};
  return true;
}
