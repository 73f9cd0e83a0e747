#include "store/history_file.h"

#include <sqlite3.h>

#include <climits>

#include "platform/files.h"

namespace {

constexpr std::int64_t kHistoryApplicationId = 1179799112;  // "FRNH" read as a big-endian integer
constexpr int kHistoryVersion = 1;
constexpr const char* kCreateTable =
    "CREATE TABLE revisions(page TEXT NOT NULL, id TEXT NOT NULL, time INTEGER NOT NULL, body BLOB NOT NULL, "
    "PRIMARY KEY(page, id))";
constexpr const char* kCreateIndex = "CREATE INDEX revisions_by_time ON revisions(page, time)";

bool Bind(sqlite3_stmt* statement, int index, std::string_view text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
  return sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) ==
         SQLITE_OK;
}

bool BindBlob(sqlite3_stmt* statement, int index, const std::string& bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  // data() is never null, so an empty body binds as a zero-length blob rather than NULL. The
  // bytes outlive the statement, so the library reads them in place rather than from a copy.
  return sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC) ==
         SQLITE_OK;
}

StatementHandle Prepare(HistoryFile& file, const char* sql) {
  StatementHandle statement;
  sqlite3_prepare_v2(file.connection.get(), sql, -1, statement.out(), nullptr);
  return statement;
}

std::int64_t PragmaValue(sqlite3* db, const char* sql, bool& ok) {
  StatementHandle statement;
  sqlite3_prepare_v2(db, sql, -1, statement.out(), nullptr);
  ok = statement.get() != nullptr && sqlite3_step(statement.get()) == SQLITE_ROW;
  return ok ? sqlite3_column_int64(statement.get(), 0) : 0;
}

// A file of ours, or an empty database that becomes one (inside a transaction, so a kill leaves
// either nothing or a whole history file).
bool VerifyOrInitialize(sqlite3* db, bool create) {
  bool ok = false;
  const std::int64_t applicationId = PragmaValue(db, "PRAGMA application_id", ok);
  if (!ok) return false;
  if ((applicationId & 0xFFFFFFFF) == kHistoryApplicationId) {
    const std::int64_t version = PragmaValue(db, "PRAGMA user_version", ok);
    return ok && version == kHistoryVersion;
  }
  const std::int64_t objects = PragmaValue(db, "SELECT count(*) FROM sqlite_master", ok);
  if (!ok || applicationId != 0 || objects != 0 || !create) return false;
  // Set before the first table: free pages can then be handed back after thinning.
  if (!Exec(db, "PRAGMA auto_vacuum=INCREMENTAL") || !Exec(db, "BEGIN IMMEDIATE")) return false;
  const bool stillEmpty = PragmaValue(db, "SELECT count(*) FROM sqlite_master", ok) == 0 && ok;
  if (!stillEmpty) return Exec(db, "ROLLBACK") && VerifyOrInitialize(db, false);
  return Exec(db, ("PRAGMA application_id=" + std::to_string(kHistoryApplicationId)).c_str()) &&
         Exec(db, ("PRAGMA user_version=" + std::to_string(kHistoryVersion)).c_str()) && Exec(db, kCreateTable) &&
         Exec(db, kCreateIndex) && Exec(db, "COMMIT");
}

}  // namespace

Status OpenHistoryFile(const std::string& path, bool create, HistoryFile& file) {
  if (!create && !platform::PathExists(path)) return StatusCode::NotFound;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), file.connection.out(), flags, nullptr) != SQLITE_OK) {
    return SqliteFailure(file.connection.get());
  }
  sqlite3* db = file.connection.get();
  sqlite3_busy_timeout(db, 5000);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  Exec(db, "PRAGMA trusted_schema=OFF");
  Exec(db, "PRAGMA secure_delete=ON");  // thinned bodies do not linger on disk
  if (VerifyOrInitialize(db, create)) return {};
  const Status failed = SqliteFailure(db);
  // A file that opened but is no history file has no library error to tell.
  return failed.cause() == "not an error" ? Status(StatusCode::Error, "not a history file: " + path) : failed;
}

Status BeginHistoryWrite(HistoryFile& file) {
  return Checked(file.connection.get(), Exec(file.connection.get(), "BEGIN IMMEDIATE"));
}

Status CommitHistoryWrite(HistoryFile& file) {
  return Checked(file.connection.get(), Exec(file.connection.get(), "COMMIT"));
}

Status ListRevisions(HistoryFile& file, const std::string& pageId, std::vector<RevisionInfo>& revisions) {
  revisions.clear();
  StatementHandle statement =
      Prepare(file, "SELECT id, time, length(body) FROM revisions WHERE page=? ORDER BY time DESC, id DESC");
  if (statement.get() == nullptr || !Bind(statement.get(), 1, pageId)) return SqliteFailure(file.connection.get());
  int step;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    revisions.push_back({ReadTextColumn(statement.get(), 0), sqlite3_column_int64(statement.get(), 1),
                         sqlite3_column_int64(statement.get(), 2)});
  }
  return Checked(file.connection.get(), step == SQLITE_DONE);
}

Status ReadRevision(HistoryFile& file, const std::string& pageId, const std::string& revisionId,
                         std::string& body) {
  body.clear();
  StatementHandle statement = Prepare(file, "SELECT body FROM revisions WHERE page=? AND id=?");
  if (statement.get() == nullptr || !Bind(statement.get(), 1, pageId) || !Bind(statement.get(), 2, revisionId)) {
    return SqliteFailure(file.connection.get());
  }
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) {
    body = ReadBodyColumn(statement.get());
    return StatusCode::Ok;
  }
  return step == SQLITE_DONE ? Status(StatusCode::NotFound) : SqliteFailure(file.connection.get());
}

Status NewestRevisionEquals(HistoryFile& file, const std::string& pageId, const std::string& body, bool& equal) {
  equal = false;
  // Bodies of another length are told apart without reading the kept one.
  StatementHandle statement = Prepare(file,
                                      "SELECT CASE WHEN typeof(body) = 'blob' AND length(body) <> ? THEN 0 "
                                      "ELSE CAST(body AS BLOB) = ? END FROM revisions WHERE page=? "
                                      "ORDER BY time DESC, id DESC LIMIT 1");
  if (statement.get() == nullptr ||
      sqlite3_bind_int64(statement.get(), 1, static_cast<sqlite3_int64>(body.size())) != SQLITE_OK ||
      !BindBlob(statement.get(), 2, body) || !Bind(statement.get(), 3, pageId)) {
    return SqliteFailure(file.connection.get());
  }
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) equal = sqlite3_column_int64(statement.get(), 0) == 1;
  return Checked(file.connection.get(), step == SQLITE_ROW || step == SQLITE_DONE);
}

Status InsertRevision(HistoryFile& file, const std::string& pageId, const RevisionInfo& revision,
                      const std::string& body) {
  StatementHandle statement = Prepare(file, "INSERT INTO revisions(page, id, time, body) VALUES(?, ?, ?, ?)");
  return Checked(file.connection.get(), statement.get() != nullptr && Bind(statement.get(), 1, pageId) && Bind(statement.get(), 2, revision.id) &&
         sqlite3_bind_int64(statement.get(), 3, revision.time) == SQLITE_OK && BindBlob(statement.get(), 4, body) &&
         sqlite3_step(statement.get()) == SQLITE_DONE);
}

Status DeleteRevision(HistoryFile& file, const std::string& pageId, const std::string& revisionId) {
  StatementHandle statement = Prepare(file, "DELETE FROM revisions WHERE page=? AND id=?");
  return Checked(file.connection.get(), statement.get() != nullptr && Bind(statement.get(), 1, pageId) &&
                                            Bind(statement.get(), 2, revisionId) &&
                                            sqlite3_step(statement.get()) == SQLITE_DONE);
}

void ShrinkHistoryFile(HistoryFile& file) { Exec(file.connection.get(), "PRAGMA incremental_vacuum"); }

Status ForEachRevisionBody(HistoryFile& file, const std::function<void(std::string_view)>& visit) {
  StatementHandle statement = Prepare(file, "SELECT body FROM revisions");
  if (statement.get() == nullptr) return SqliteFailure(file.connection.get());
  int step;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const void* data = sqlite3_column_blob(statement.get(), 0);
    const int length = sqlite3_column_bytes(statement.get(), 0);
    if (data != nullptr && length > 0) visit(std::string_view(static_cast<const char*>(data), length));
  }
  return Checked(file.connection.get(), step == SQLITE_DONE);
}
