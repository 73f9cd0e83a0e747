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

bool InitializeStore(sqlite3* connection) {
  if (!Exec(connection, "PRAGMA auto_vacuum=INCREMENTAL")) return false;
  if (!Exec(connection, ("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str())) return false;
  if (!Exec(connection, ("PRAGMA user_version=" + std::to_string(kFormatVersion)).c_str())) return false;
  for (const auto& table : kSchema) {
    if (!Exec(connection, std::string(table.statement).c_str())) return false;
  }
  return true;
}

namespace {

StoreOpenResult OpenStoreWith(const std::string& path, int flags, ConnectionHandle& connection) {
  // Checked first so that a missing file is never created by the library.
  if (!platform::PathExists(path)) return StoreOpenResult::FileNotFound;
  if (sqlite3_open_v2(path.c_str(), connection.out(), flags, nullptr) != SQLITE_OK) {
    return StoreOpenResult::CannotOpen;
  }
  sqlite3* db = connection.get();
  sqlite3_busy_timeout(db, 5000);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  Exec(db, "PRAGMA trusted_schema=OFF");
  Exec(db, "PRAGMA secure_delete=ON");  // deleted bodies are overwritten with zeros on disk
  return VerifySchema(db);
}

}  // namespace

StoreOpenResult OpenStore(const std::string& path, ConnectionHandle& connection) {
  return OpenStoreWith(path, SQLITE_OPEN_READWRITE, connection);
}

StoreOpenResult OpenDocumentStore(const DocumentFile& document, ConnectionHandle& connection) {
  const auto replaced = [&] {
    return !document.identity.empty() && platform::FileIdentityOf(document.path) != document.identity;
  };
  if (replaced()) return StoreOpenResult::FileNotFound;
  const StoreOpenResult opened =
      OpenStoreWith(document.path, document.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, connection);
  // Checked again once the library has the file open: it may have been swapped in between.
  if (opened == StoreOpenResult::Ok && replaced()) return StoreOpenResult::FileNotFound;
  return opened;
}

StoreResult OpenDocumentStoreForWriting(const DocumentFile& document, ConnectionHandle& connection) {
  if (document.readOnly) return StoreResult::ReadOnly;
  return OpenDocumentStore(document, connection) == StoreOpenResult::Ok ? StoreResult::Ok : StoreResult::Error;
}

StoreOpenResult VerifySchema(sqlite3* connection) {
  {
    StatementHandle statement;
    sqlite3_prepare_v2(connection, "PRAGMA application_id", -1, statement.out(), nullptr);
    if (statement.get() == nullptr) return StoreOpenResult::NotADocument;
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_BUSY) return StoreOpenResult::CannotOpen;
    if (step != SQLITE_ROW) return StoreOpenResult::NotADocument;
    const auto id = static_cast<std::uint32_t>(sqlite3_column_int64(statement.get(), 0));
    if (id != static_cast<std::uint32_t>(kApplicationId)) return StoreOpenResult::NotADocument;
  }
  {
    StatementHandle statement;
    sqlite3_prepare_v2(connection, "PRAGMA user_version", -1, statement.out(), nullptr);
    if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) {
      return StoreOpenResult::NotADocument;
    }
    const auto version = static_cast<std::int32_t>(static_cast<std::uint32_t>(sqlite3_column_int64(statement.get(), 0)));
    if (version > kFormatVersion) return StoreOpenResult::NewerVersion;
    if (version < kFormatVersion) return StoreOpenResult::NotADocument;
  }
  StatementHandle statement;
  sqlite3_prepare_v2(connection, "SELECT type, name, sql FROM sqlite_master", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return StoreOpenResult::NotADocument;
  int tables = 0;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const std::string type = ReadTextColumn(statement.get(), 0);
    const std::string name = ReadTextColumn(statement.get(), 1);
    const std::string sql = ReadTextColumn(statement.get(), 2);
    if (type == "index" && sql.empty()) {
      if (!IsAutomaticIndex(name)) return StoreOpenResult::NotADocument;
    } else if (type == "table" && IsSchemaTable(name, sql)) {
      ++tables;
    } else {
      return StoreOpenResult::NotADocument;
    }
  }
  if (step != SQLITE_DONE) return StoreOpenResult::NotADocument;
  return tables == 3 ? StoreOpenResult::Ok : StoreOpenResult::NotADocument;
}

bool ValidateDocumentFile(const std::string& path, std::string& acceptedPath, std::string& message) {
  ConnectionHandle connection;
  const StoreOpenResult opened = OpenStore(path, connection);
  switch (opened) {
    case StoreOpenResult::Ok:
      break;
    case StoreOpenResult::FileNotFound:
      message = "ファイルが見つかりません。移動または削除された可能性があります。";
      return false;
    case StoreOpenResult::NotADocument:
      message = "Ferncard のファイルではないか、ファイルが壊れています。";
      return false;
    case StoreOpenResult::NewerVersion:
      message = "このファイルは新しい版の Ferncard で作成されています。製品を更新してください。";
      return false;
    default:
      message = "ファイルを開けません。他のプログラムが使用中でないか、権限をご確認ください。";
      return false;
  }
  StatementHandle statement;
  sqlite3_prepare_v2(connection.get(), "PRAGMA quick_check(1)", -1, statement.out(), nullptr);
  if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW ||
      ReadTextColumn(statement.get(), 0) != "ok") {
    message = "Ferncard のファイルではないか、ファイルが壊れています。";
    return false;
  }
  acceptedPath = path;
  return true;
}
