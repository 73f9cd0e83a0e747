#include "store/large_body.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <mutex>

#include "store/format.h"
#include "store/kept_connection.h"

namespace {

// The rowid of a record's row: Ok, NotFound or Error. The statement holds the read until it ends.
Status FindRow(sqlite3* connection, const char* table, const std::string& id, StatementHandle& statement,
               std::int64_t& rowid) {
  const std::string sql = std::string("SELECT rowid FROM ") + table + " WHERE id=?";
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || id.size() > static_cast<std::size_t>(INT_MAX) ||
      sqlite3_bind_text(statement.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC) != SQLITE_OK) {
    return SqliteFailure(connection);
  }
  const int step = sqlite3_step(statement.get());
  if (step != SQLITE_ROW) return step == SQLITE_DONE ? Status(StatusCode::NotFound) : SqliteFailure(connection);
  rowid = sqlite3_column_int64(statement.get(), 0);
  return StatusCode::Ok;
}

// One piece under the document's lock, in a read of its own: Ok, Conflict or Error.
Status ReadOnePiece(DocumentFile& document, const char* table, const std::string& id, const std::string& tag,
                    std::string& body, std::size_t offset) {
  std::lock_guard lock(document.mutex);
  StoreLease connection;
  if (const Status opened = connection.Open(document); !opened.ok()) return opened.As(StatusCode::Error);
  sqlite3* db = connection.get();
  // Any return before the end of the read closes the connection (see StoreLease).
  if (!Exec(db, "BEGIN")) return SqliteFailure(db);
  Status result;
  {
    StatementHandle statement;
    std::int64_t rowid = 0;
    result = FindRow(db, table, id, statement, rowid);
    if (!connection.StillVerified()) return Status(StatusCode::Error, "the file changed and is no longer a document of this program");
    // The tag known for the record is the body's as it stands: the same tag, the same bytes.
    if (result == StatusCode::NotFound || (result.ok() && connection.KnownTag(table, id) != tag)) {
      result = StatusCode::Conflict;
    } else if (result.ok()) {
      result = ReadBodyPiece(db, table, rowid, body.size(), offset, std::min(kBodyPieceBytes, body.size() - offset), body);
      if (result == StatusCode::NotFound) result = StatusCode::Conflict;
    }
  }
  if (result == StatusCode::Error) return result;
  if (!Exec(db, "COMMIT")) return SqliteFailure(db);
  return result;
}

}  // namespace

Status ReadBodyPiece(sqlite3* connection, const char* table, std::int64_t rowid, std::size_t size,
                     std::size_t offset, std::size_t count, std::string& body) {
  sqlite3_blob* blob = nullptr;
  if (sqlite3_blob_open(connection, "main", table, "body", rowid, 0, &blob) != SQLITE_OK) {
    sqlite3_blob_close(blob);
    // The row is gone, or its body is no longer a blob or text.
    return Status(StatusCode::NotFound, sqlite3_errmsg(connection));
  }
  Status result;
  if (static_cast<std::size_t>(sqlite3_blob_bytes(blob)) != size) {
    result = StatusCode::Conflict;
  } else if (count > 0 && sqlite3_blob_read(blob, body.data() + offset, static_cast<int>(count),
                                            static_cast<int>(offset)) != SQLITE_OK) {
    result = SqliteFailure(connection);
  }
  sqlite3_blob_close(blob);
  return result;
}

Status ReadRestInPieces(DocumentFile& document, const char* table, const std::string& id, const std::string& tag,
                        std::string& body, std::size_t offset) {
  std::lock_guard turn(document.piecewiseRead);
  while (offset < body.size()) {
    if (Status read = ReadOnePiece(document, table, id, tag, body, offset); !read.ok()) return read;
    offset += std::min(kBodyPieceBytes, body.size() - offset);
  }
  return StatusCode::Ok;
}
