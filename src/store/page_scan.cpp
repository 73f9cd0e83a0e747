#include "store/page_scan.h"

#include <sqlite3.h>

#include <mutex>

#include "store/format.h"

namespace {

std::string_view ColumnBytes(sqlite3_stmt* statement, int column) {
  const void* data = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  if (data == nullptr || length < 1) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(length)};
}

}  // namespace

StoreResult ScanPages(DocumentFile& document, std::string& tree, const PageVisitor& visit) {
  std::lock_guard<std::mutex> lock(document.mutex);
  tree.clear();
  ConnectionHandle connection;
  if (OpenStore(document.path, connection) != StoreOpenResult::Ok) return StoreResult::Error;
  sqlite3* db = connection.get();
  // Closing the connection ends the read transaction on every early return.
  if (!Exec(db, "BEGIN")) return StoreResult::Error;
  {
    StatementHandle statement;
    sqlite3_prepare_v2(db, "SELECT body FROM meta WHERE id='tree'", -1, statement.out(), nullptr);
    if (statement.get() == nullptr) return StoreResult::Error;
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_ROW) tree = std::string(ColumnBytes(statement.get(), 0));
    else if (step != SQLITE_DONE) return StoreResult::Error;
  }
  StatementHandle statement;
  sqlite3_prepare_v2(db, "SELECT id, body FROM pages", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return StoreResult::Error;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    visit(ColumnBytes(statement.get(), 0), ColumnBytes(statement.get(), 1));
  }
  if (step != SQLITE_DONE) return StoreResult::Error;
  return Exec(db, "COMMIT") ? StoreResult::Ok : StoreResult::Error;
}
