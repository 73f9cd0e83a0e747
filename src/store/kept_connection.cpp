#include "store/kept_connection.h"

#include <sqlite3.h>

#include "platform/files.h"

namespace {

// The library's data version of the file: it moves with every commit of this connection and,
// once a transaction has noticed them, with every commit of other connections, in this process
// or another. Costs no file access.
bool ReadDataVersion(sqlite3* connection, std::uint32_t& version) {
  unsigned int value = 0;
  if (sqlite3_file_control(connection, "main", SQLITE_FCNTL_DATA_VERSION, &value) != SQLITE_OK) return false;
  version = value;
  return true;
}

// True while the document's path still reaches the file that was opened and verified.
bool SameFileStillThere(const DocumentFile& document) {
  if (document.identity.empty()) return platform::PathExists(document.path);
  return platform::FileIdentityOf(document.path) == document.identity;
}

}  // namespace

KeptConnection::~KeptConnection() { sqlite3_close(connection); }

StoreLease::~StoreLease() {
  sqlite3* connection = connection_.get();
  if (!verified_ || connection == nullptr) return;
  // A transaction left open is rolled back by closing; where a file held open cannot be
  // replaced by others, nothing is held between operations.
  if (sqlite3_get_autocommit(connection) == 0 || !platform::OpenFilesCanBeReplaced()) return;
  // A file that could not be opened for writing at the time (its modes forbade it) is opened
  // again next time: it may be writable by then.
  if (!document_->readOnly && sqlite3_db_readonly(connection, "main") != 0) return;
  // This connection's own commits move the version too: what it wrote needs no verifying.
  std::uint32_t version = 0;
  if (!ReadDataVersion(connection, version)) return;
  // A connection kept after a large body keeps the process's memory high: the next large body
  // read through it then does not reuse the space the last one freed (a 19 MB tree read after
  // its write peaked 40 MB higher). Such bodies are rare; they get a fresh connection.
  if (largeBody_) return;
  sqlite3_close(document_->kept.connection);  // none: it was lent to this lease
  document_->kept.dataVersion = version;
  document_->kept.connection = connection_.release();
}

Status StoreLease::Open(DocumentFile& document) {
  document_ = &document;
  if (document.kept.connection != nullptr) {
    ConnectionHandle kept(document.kept.connection);
    const std::uint32_t verifiedAt = document.kept.dataVersion;
    document.kept.connection = nullptr;
    // A file put in the document's place, or a deleted one, is refused as a fresh open does.
    if (!SameFileStillThere(document)) return Status(StatusCode::FileNotFound, "another file is at the document's path");
    connection_ = std::move(kept);
    dataVersion_ = verifiedAt;
    verified_ = true;
    return StatusCode::Ok;
  }
  // What happened to the file while no connection was kept shows in its change counter, read
  // once the lease holds the file's lock (StillVerified).
  fresh_ = true;
  if (const Status opened = OpenDocumentStore(document, connection_); !opened.ok()) return opened;
  verified_ = ReadDataVersion(connection_.get(), dataVersion_);
  return verified_ ? Status() : SqliteFailure(connection_.get()).As(StatusCode::CannotOpen);
}

bool StoreLease::StillVerified() {
  if (!verified_) return false;
  std::uint32_t now = 0;
  if (!ReadDataVersion(connection_.get(), now)) return verified_ = false;
  KeptConnection& kept = document_->kept;
  if (now != dataVersion_) {
    // Someone else wrote the file: it must still be a document of this format, as at opening,
    // and any record may differ from what was read before.
    kept.tags.clear();
    verified_ = VerifySchema(connection_.get()).ok();
    dataVersion_ = now;
    if (!verified_) return false;
  }
  // Any commit since the tags were noted, of this process or another, moved the counter.
  std::uint32_t counter = 0;
  const bool counted = ReadFileChangeCounter(connection_.get(), counter);
  if (fresh_ && !(counted && kept.tagsCounted && counter == kept.tagsCounter)) kept.tags.clear();
  kept.tagsCounter = counter;
  kept.tagsCounted = counted;
  return true;
}

void StoreLease::Committed() {
  if (verified_) ++document_->kept.tagsCounter;
}

Status StoreLease::OpenForWriting(DocumentFile& document) {
  if (document.readOnly) return StatusCode::ReadOnly;
  const Status opened = Open(document);
  return opened.ok() ? opened : opened.As(StatusCode::Error);
}

std::string StoreLease::KnownTag(const char* table, const std::string& id) const {
  if (!verified_) return {};
  const auto found = document_->kept.tags.find(std::string(table) + "/" + id);
  return found == document_->kept.tags.end() ? std::string() : found->second;
}

void StoreLease::RememberTag(const char* table, const std::string& id, const std::string& tag) {
  if (!verified_) return;
  const std::string key = std::string(table) + "/" + id;
  if (tag.empty()) {
    document_->kept.tags.erase(key);
  } else {
    document_->kept.tags[key] = tag;
  }
}

void StoreLease::ForgetTags() {
  if (document_ == nullptr) return;
  document_->kept.tags.clear();
  document_->kept.tagsCounted = false;
}

void StoreLease::NoteBody(std::size_t bytes) {
  if (bytes >= kLargeBody) largeBody_ = true;
}
