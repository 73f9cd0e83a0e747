#include "store/records.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <list>
#include <mutex>
#include <string_view>

#include "store/format.h"
#include "store/kept_connection.h"
#include "store/large_body.h"
#include "util/text.h"

namespace {

// Tags of bodies read or written lately, each kept with its whole body: a body read again is
// compared byte for byte, which costs far less than hashing it again (a large tree is read on
// every window start and focus). Bounded in bytes; the most recent entry comes first.
class TagCache {
 public:
  std::string Find(const std::string& path, const char* table, const std::string& id, std::string_view body) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
      if (entry->path != path || entry->table != table || entry->id != id) continue;
      if (entry->body.size() != body.size() ||
          (!body.empty() && std::memcmp(entry->body.data(), body.data(), body.size()) != 0)) {
        return {};
      }
      entries_.splice(entries_.begin(), entries_, entry);
      return entries_.front().tag;
    }
    return {};
  }

  void Remember(const std::string& path, const char* table, const std::string& id, std::string_view body,
                const std::string& tag) {
    if (body.size() > kMaxBytes) return;
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
      if (entry->path == path && entry->table == table && entry->id == id) {
        bytes_ -= entry->body.size();
        entries_.erase(entry);
        break;
      }
    }
    entries_.push_front(Entry{path, table, id, std::string(body), tag});
    bytes_ += body.size();
    while (bytes_ > kMaxBytes) {
      bytes_ -= entries_.back().body.size();
      entries_.pop_back();
    }
  }

 private:
  static constexpr std::size_t kMaxBytes = 4 * 1024 * 1024;
  struct Entry {
    std::string path;
    std::string table;
    std::string id;
    std::string body;
    std::string tag;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
  std::size_t bytes_ = 0;
};

TagCache& RecentTags() {
  static TagCache cache;
  return cache;
}

// The tag of a body: remembered when the same bytes were tagged lately, else hashed.
std::string TagOf(const std::string& path, const char* table, const std::string& id, std::string_view body) {
  std::string tag = RecentTags().Find(path, table, id, body);
  if (!tag.empty()) return tag;
  const std::string digest = Sha256Hex(body);
  if (digest.size() < 32) return {};
  tag = digest.substr(0, 32);
  RecentTags().Remember(path, table, id, body, tag);
  return tag;
}

bool BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
  return sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) ==
         SQLITE_OK;
}

// Steps to the row of one record on an open connection: Ok with body viewing SQLite's copy of it
// (valid while the statement lives), NotFound or Error.
Status StepToBody(sqlite3* connection, const char* table, const std::string& id, StatementHandle& statement,
                  std::string_view& body) {
  const std::string sql = std::string("SELECT body FROM ") + table + " WHERE id=?";
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return SqliteFailure(connection);
  const int step = sqlite3_step(statement.get());
  if (step != SQLITE_ROW) return step == SQLITE_DONE ? Status(StatusCode::NotFound) : SqliteFailure(connection);
  const void* data = sqlite3_column_blob(statement.get(), 0);
  const int length = sqlite3_column_bytes(statement.get(), 0);
  body = data == nullptr || length < 1 ? std::string_view()
                                       : std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(length));
  return StatusCode::Ok;
}

// Reads the body of one record on an open connection: Ok, NotFound or Error. A large one is
// read straight into body, whole, or, when firstPiece is given, only its first piece (body is
// then as long as the whole, and firstPiece receives the piece's length).
Status SelectBody(sqlite3* connection, const char* table, const std::string& id, std::string& body,
                  std::size_t* firstPiece = nullptr) {
  body.clear();
  {
    // Neither typeof() nor length() reads the body itself.
    StatementHandle statement;
    const std::string sql = std::string("SELECT rowid, length(body) FROM ") + table +
                            " WHERE id=? AND typeof(body) = 'blob' AND length(body) >= " +
                            std::to_string(kLargeBodyBytes);
    sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
    if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return SqliteFailure(connection);
    const int step = sqlite3_step(statement.get());
    if (step != SQLITE_ROW && step != SQLITE_DONE) return SqliteFailure(connection);
    if (step == SQLITE_ROW) {
      // The statement still holds the read, so the row found is the one read.
      const auto size = static_cast<std::size_t>(sqlite3_column_int64(statement.get(), 1));
      const std::size_t count = firstPiece != nullptr ? std::min(size, kBodyPieceBytes) : size;
      body.resize(size);
      const Status read = ReadBodyPiece(connection, table, sqlite3_column_int64(statement.get(), 0), size, 0, count, body);
      if (!read.ok()) body.clear();
      if (firstPiece != nullptr) *firstPiece = count;
      return read.ok() ? read : SqliteFailure(connection);
    }
  }
  StatementHandle statement;
  std::string_view found;
  const Status result = StepToBody(connection, table, id, statement, found);
  body.assign(found);
  if (firstPiece != nullptr) *firstPiece = body.size();
  return result;
}

// The version tag of a record's body, hashed where SQLite holds it rather than from a copy:
// Ok, NotFound or Error.
Status SelectTag(sqlite3* connection, const std::string& path, const char* table, const std::string& id,
                 std::string& tag) {
  StatementHandle statement;
  std::string_view body;
  if (Status found = StepToBody(connection, table, id, statement, body); found != StatusCode::Ok) return found;
  tag = TagOf(path, table, id, body);
  return tag.empty() ? Status(StatusCode::Error, "hashing failed") : Status();
}

// Copies a record's body to another id of the same table inside SQLite.
bool CopyRow(sqlite3* connection, const char* table, const std::string& id, const std::string& copyId) {
  StatementHandle statement;
  const std::string sql = std::string("INSERT OR REPLACE INTO ") + table +
                          "(id, body) SELECT ?, CAST(body AS BLOB) FROM " + table + " WHERE id=?";
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  return statement.get() != nullptr && BindText(statement.get(), 1, copyId) && BindText(statement.get(), 2, id) &&
         sqlite3_step(statement.get()) == SQLITE_DONE && sqlite3_changes(connection) == 1;
}

}  // namespace

std::string VersionTag(const std::string& body) {
  const std::string digest = Sha256Hex(body);
  return digest.size() < 32 ? std::string() : digest.substr(0, 32);
}

namespace {

// A record's body and tag, read under the document's lock. A large body whose tag is known is
// read only up to its first piece when pieces is true; read then receives how much was read.
Status ReadRecordStart(DocumentFile& document, const char* table, const std::string& id, std::string& body,
                       std::string& tag, bool pieces, std::size_t& read) {
  std::lock_guard lock(document.mutex);
  body.clear();
  tag = kNoRecordTag;
  StoreLease connection;
  if (const Status opened = connection.Open(document); !opened.ok()) return opened.As(StatusCode::Error);
  sqlite3* db = connection.get();
  // One read for the body and the checks after it, which look at the file as it was read. Any
  // return before its end closes the connection (see StoreLease).
  if (!Exec(db, "BEGIN")) return SqliteFailure(db);
  std::size_t firstPiece = 0;
  const Status result = SelectBody(db, table, id, body, &firstPiece);
  if (!connection.StillVerified()) {
    body.clear();
    return Status(StatusCode::Error, "the file changed and is no longer a document of this program");
  }
  read = body.size();
  if (result == StatusCode::Ok) {
    NoteRecordSize(document, table, id, body.size());
    tag = connection.KnownTag(table, id);
    if (tag.empty() || !pieces) {
      // The whole body is needed now: to hash it, or because pieces were given up on.
      if (firstPiece < body.size()) {
        if (const Status rest = SelectBody(db, table, id, body); !rest.ok()) return rest.As(StatusCode::Error);
      }
      if (tag.empty()) tag = TagOf(document.path, table, id, body);
      connection.RememberTag(table, id, tag);
    } else {
      read = firstPiece;
    }
  }
  if (!Exec(db, "COMMIT")) return SqliteFailure(db);
  if (result != StatusCode::Ok) return result;
  return tag.empty() ? Status(StatusCode::Error, "hashing failed") : Status();
}

}  // namespace

Status GetRecord(DocumentFile& document, const char* table, const std::string& id, std::string& body,
                 std::string& tag) {
  // A large body is read in pieces while its tag stays; after a change in between, once more,
  // and then whole.
  for (int attempt = 0;; ++attempt) {
    std::size_t read = 0;
    const Status start = ReadRecordStart(document, table, id, body, tag, attempt < 2, read);
    if (!start.ok() || read >= body.size()) return start;
    const Status rest = ReadRestInPieces(document, table, id, tag, body, read);
    if (rest.ok()) return rest;
    body.clear();
    tag = kNoRecordTag;
    if (rest != StatusCode::Conflict) return rest.As(StatusCode::Error);
  }
}

Status PutRecord(DocumentFile& document, const char* table, const std::string& id, const std::string& body,
                      const std::string& expectedTag, std::string& newTag, bool backup, std::string* replaced) {
  std::lock_guard lock(document.mutex);
  const std::string tagOfBody = VersionTag(body);
  if (tagOfBody.empty()) return Status(StatusCode::Error, "hashing failed");
  StoreLease connection;
  if (const Status opened = connection.OpenForWriting(document); opened != StatusCode::Ok) return opened;
  sqlite3* db = connection.get();
  // The write lock is taken before the current tag is read, so no one can change it in between.
  // Any return before COMMIT ends the lease with the transaction open, which closes the
  // connection and so rolls the transaction back.
  if (!Exec(db, "BEGIN IMMEDIATE")) return SqliteFailure(db);
  if (!connection.StillVerified()) return Status(StatusCode::Error, "the file changed and is no longer a document of this program");
  connection.NoteBody(body.size());
  std::string currentTag;
  Status current;
  if (replaced != nullptr) {
    // The caller keeps the body it replaces, so it is copied out rather than hashed in place.
    current = SelectBody(db, table, id, *replaced);
    if (current == StatusCode::Ok) currentTag = connection.KnownTag(table, id);
    if (current == StatusCode::Ok && currentTag.empty()) currentTag = TagOf(document.path, table, id, *replaced);
    if (current == StatusCode::Ok && currentTag.empty()) return Status(StatusCode::Error, "hashing failed");
  } else {
    // A tag known for the record means it exists with that body: nothing to read.
    currentTag = connection.KnownTag(table, id);
    current = currentTag.empty() ? SelectTag(db, document.path, table, id, currentTag) : Status();
  }
  if (current == StatusCode::Error) return current;
  const bool existed = current == StatusCode::Ok;
  if (!existed) currentTag = kNoRecordTag;
  if (currentTag != expectedTag) return StatusCode::Conflict;
  if (backup && existed && !CopyRow(db, table, id, "tree.bak")) return SqliteFailure(db);
  if (!WriteRow(db, table, id, body)) return SqliteFailure(db);
  if (!Exec(db, "COMMIT")) {
    const Status failed = SqliteFailure(db);
    LogDoubtfulWrite(document);
    connection.ForgetTags();
    return failed;
  }
  LogCommit(document, table, id);
  connection.Committed();
  NoteRecordSize(document, table, id, body.size());
  connection.RememberTag(table, id, tagOfBody);
  if (backup) connection.RememberTag(table, "tree.bak", {});
  RecentTags().Remember(document.path, table, id, body, tagOfBody);
  newTag = tagOfBody;
  return StatusCode::Ok;
}

Status DeleteRecord(DocumentFile& document, const char* table, const std::string& id, std::string* deleted) {
  std::lock_guard lock(document.mutex);
  StoreLease connection;
  if (const Status opened = connection.OpenForWriting(document); opened != StatusCode::Ok) return opened;
  sqlite3* db = connection.get();
  // One transaction for the delete and the vacuum, so the file changes once. Any return before
  // COMMIT closes the connection (see StoreLease), which rolls the transaction back.
  if (!Exec(db, "BEGIN IMMEDIATE")) return SqliteFailure(db);
  if (!connection.StillVerified()) return Status(StatusCode::Error, "the file changed and is no longer a document of this program");
  if (deleted != nullptr) {
    if (const Status read = SelectBody(db, table, id, *deleted); read == StatusCode::Error) return read;
  }
  {
    StatementHandle statement;
    const std::string sql = std::string("DELETE FROM ") + table + " WHERE id=?";
    sqlite3_prepare_v2(db, sql.c_str(), -1, statement.out(), nullptr);
    if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return SqliteFailure(db);
    if (sqlite3_step(statement.get()) != SQLITE_DONE) return SqliteFailure(db);
  }
  if (sqlite3_changes(db) < 1) return StatusCode::NotFound;
  // Hands every free page back to the file system; when only this fails, the delete still commits.
  Exec(db, "PRAGMA incremental_vacuum");
  if (!Exec(db, "COMMIT")) {
    const Status failed = SqliteFailure(db);
    LogDoubtfulWrite(document);
    return failed;
  }
  LogCommit(document, table, id);
  connection.Committed();
  NoteRecordSize(document, table, id, 0);
  connection.RememberTag(table, id, {});
  return StatusCode::Ok;
}

void NoteRecordSize(DocumentFile& document, const char* table, const std::string& id, std::size_t bytes) {
  const std::string key = std::string(table) + "/" + id;
  std::lock_guard<std::mutex> lock(document.large.mutex);
  if (bytes >= kLargeBodyBytes) {
    document.large.keys.insert(key);
  } else {
    document.large.keys.erase(key);
  }
}

bool IsLargeRecord(DocumentFile& document, const char* table, const std::string& id) {
  const std::string key = std::string(table) + "/" + id;
  std::lock_guard<std::mutex> lock(document.large.mutex);
  return document.large.keys.count(key) != 0;
}

void LogCommit(DocumentFile& document, const char* table, const std::string& id) {
  WriteLog& log = document.writes;
  ++log.commits;
  if (std::string_view(table) == "pages") log.pages[id] = log.commits;
}

void LogDoubtfulWrite(DocumentFile& document) {
  WriteLog& log = document.writes;
  ++log.commits;
  log.doubtfulAt = log.commits;
}

bool WriteRow(sqlite3* connection, const char* table, const std::string& id, const std::string& body) {
  if (body.size() > static_cast<std::size_t>(INT_MAX)) return false;
  StatementHandle statement;
  const std::string sql = std::string("INSERT OR REPLACE INTO ") + table + "(id, body) VALUES(?, ?)";
  sqlite3_prepare_v2(connection, sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || !BindText(statement.get(), 1, id)) return false;
  // data() is never null, so an empty body binds as a zero-length blob rather than NULL. The
  // body outlives the statement, so the library reads it in place rather than from a copy.
  if (sqlite3_bind_blob(statement.get(), 2, body.data(), static_cast<int>(body.size()), SQLITE_STATIC) !=
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

Status GetTree(DocumentFile& document, std::string& body, std::string& tag) {
  return GetRecord(document, "meta", "tree", body, tag);
}

Status PutTree(DocumentFile& document, const std::string& body, const std::string& expectedTag,
                    std::string& newTag) {
  return PutRecord(document, "meta", "tree", body, expectedTag, newTag, true);
}

Status GetPage(DocumentFile& document, const std::string& id, std::string& body, std::string& tag) {
  if (!IsPageIdShape(id)) {
    body.clear();
    tag = kNoRecordTag;
    return Status(StatusCode::Error, "not a page id");
  }
  return GetRecord(document, "pages", id, body, tag);
}

Status PutPage(DocumentFile& document, const std::string& id, const std::string& body,
                    const std::string& expectedTag, std::string& newTag, std::string* replaced) {
  if (!IsPageIdShape(id)) return Status(StatusCode::Error, "not a page id");
  return PutRecord(document, "pages", id, body, expectedTag, newTag, false, replaced);
}

Status DeletePage(DocumentFile& document, const std::string& id, std::string* deleted) {
  if (!IsPageIdShape(id)) return Status(StatusCode::Error, "not a page id");
  return DeleteRecord(document, "pages", id, deleted);
}
