#include "store/records.h"

#include <sqlite3.h>

#include <climits>
#include <mutex>

#include "store/format.h"
#include "util/text.h"

namespace {

bool BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
  return sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) ==
         SQLITE_OK;
}

// Reads the body of one record on an open connection: Ok, NotFound or Error.
StoreResult SelectBody(sqlite3* connection, const char* table, const std::string& id, std::string& body) {
  body.clear();
  StatementHandle statement;
  const std::string sql = std::string("SELECT body FROM ") + table + " WHERE id=?";
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return StoreResult::Error;
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) {
    body = ReadBodyColumn(statement.get());
    return StoreResult::Ok;
  }
  return step == SQLITE_DONE ? StoreResult::NotFound : StoreResult::Error;
}

}  // namespace

std::string VersionTag(const std::string& body) {
  const std::string digest = Sha256Hex(body);
  return digest.size() < 32 ? std::string() : digest.substr(0, 32);
}

StoreResult GetRecord(DocumentFile& document, const char* table, const std::string& id, std::string& body,
                      std::string& tag) {
  std::lock_guard<std::mutex> lock(document.mutex);
  body.clear();
  tag = "0";
  ConnectionHandle connection;
  if (OpenDocumentStore(document, connection) != StoreOpenResult::Ok) return StoreResult::Error;
  const StoreResult result = SelectBody(connection.get(), table, id, body);
  if (result != StoreResult::Ok) return result;
  tag = VersionTag(body);
  return tag.empty() ? StoreResult::Error : StoreResult::Ok;
}

StoreResult PutRecord(DocumentFile& document, const char* table, const std::string& id, const std::string& body,
                      const std::string& expectedTag, std::string& newTag, bool backup) {
  std::lock_guard<std::mutex> lock(document.mutex);
  const std::string tagOfBody = VersionTag(body);
  if (tagOfBody.empty()) return StoreResult::Error;
  ConnectionHandle connection;
  if (OpenDocumentStore(document, connection) != StoreOpenResult::Ok) return StoreResult::Error;
  sqlite3* db = connection.get();
  // The write lock is taken before the current tag is read, so no one can change it in between.
  // Any return before COMMIT closes the connection, which rolls the transaction back.
  if (!Exec(db, "BEGIN IMMEDIATE")) return StoreResult::Error;
  std::string oldBody;
  const StoreResult current = SelectBody(db, table, id, oldBody);
  if (current == StoreResult::Error) return StoreResult::Error;
  const bool existed = current == StoreResult::Ok;
  const std::string currentTag = existed ? VersionTag(oldBody) : std::string("0");
  if (currentTag.empty()) return StoreResult::Error;
  if (currentTag != expectedTag) return StoreResult::Conflict;
  if (backup && existed && !WriteRow(db, "meta", "tree.bak", oldBody)) return StoreResult::Error;
  if (!WriteRow(db, table, id, body)) return StoreResult::Error;
  if (!Exec(db, "COMMIT")) return StoreResult::Error;
  newTag = tagOfBody;
  return StoreResult::Ok;
}

StoreResult DeleteRecord(DocumentFile& document, const char* table, const std::string& id) {
  std::lock_guard<std::mutex> lock(document.mutex);
  ConnectionHandle connection;
  if (OpenDocumentStore(document, connection) != StoreOpenResult::Ok) return StoreResult::Error;
  int changes = 0;
  {
    StatementHandle statement;
    const std::string sql = std::string("DELETE FROM ") + table + " WHERE id=?";
    sqlite3_prepare_v2(connection.get(), sql.c_str(), -1, statement.out(), nullptr);
    if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return StoreResult::Error;
    if (sqlite3_step(statement.get()) != SQLITE_DONE) return StoreResult::Error;
    changes = sqlite3_changes(connection.get());
  }
  if (changes < 1) return StoreResult::NotFound;
  // Hands every free page back to the file system; a failure here does not undo the delete.
  Exec(connection.get(), "PRAGMA incremental_vacuum");
  return StoreResult::Ok;
}

bool WriteRow(sqlite3* connection, const char* table, const std::string& id, const std::string& body) {
  if (body.size() > static_cast<std::size_t>(INT_MAX)) return false;
  StatementHandle statement;
  const std::string sql = std::string("INSERT OR REPLACE INTO ") + table + "(id, body) VALUES(?, ?)";
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return false;
  // data() is never null, so an empty body binds as a zero-length blob rather than NULL.
  if (sqlite3_bind_blob(statement.get(), 2, body.data(), static_cast<int>(body.size()), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    return false;
  }
  return sqlite3_step(statement.get()) == SQLITE_DONE;
}

std::int64_t CountRows(sqlite3* connection, const char* table) {
  StatementHandle statement;
  const std::string sql = std::string("SELECT count(*) FROM ") + table;
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) return -1;
  return sqlite3_column_int64(statement.get(), 0);
}

StoreResult GetTree(DocumentFile& document, std::string& body, std::string& tag) {
  return GetRecord(document, "meta", "tree", body, tag);
}

StoreResult PutTree(DocumentFile& document, const std::string& body, const std::string& expectedTag,
                    std::string& newTag) {
  return PutRecord(document, "meta", "tree", body, expectedTag, newTag, true);
}

StoreResult GetPage(DocumentFile& document, const std::string& id, std::string& body, std::string& tag) {
  if (!IsPageIdShape(id)) {
    body.clear();
    tag = "0";
    return StoreResult::Error;
  }
  return GetRecord(document, "pages", id, body, tag);
}

StoreResult PutPage(DocumentFile& document, const std::string& id, const std::string& body,
                    const std::string& expectedTag, std::string& newTag) {
  if (!IsPageIdShape(id)) return StoreResult::Error;
  return PutRecord(document, "pages", id, body, expectedTag, newTag, false);
}

StoreResult DeletePage(DocumentFile& document, const std::string& id) {
  if (!IsPageIdShape(id)) return StoreResult::Error;
  return DeleteRecord(document, "pages", id);
}
