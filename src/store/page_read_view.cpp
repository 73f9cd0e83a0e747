#include "store/page_read_view.h"

#include <sqlite3.h>

#include <climits>

namespace {

std::string_view ColumnBytes(sqlite3_stmt* statement, int column) {
  const void* data = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  if (data == nullptr || length < 1) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(length)};
}

// The database header's write version (1 for a rollback journal) and its file change counter,
// which every commit in that mode moves by one. Read through the library's own file handle: a
// second descriptor of the file, once closed, would drop the library's locks on POSIX. Only
// sound while a read transaction holds the file's shared lock.
bool ReadHeaderCounter(sqlite3* db, std::uint32_t& counter) {
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

}  // namespace

StoreResult PageReadView::Open(DocumentFile& document) {
  lock_ = std::unique_lock<std::mutex>(document.mutex);
  document_ = &document;
  if (OpenDocumentStore(document, connection_) != StoreOpenResult::Ok) return StoreResult::Error;
  // The shared lock is taken by the first read and held until the connection closes.
  return Exec(connection_.get(), "BEGIN") ? StoreResult::Ok : StoreResult::Error;
}

StoreResult PageReadView::ReadTree(std::string& tree) {
  tree.clear();
  StatementHandle statement;
  sqlite3_prepare_v2(connection_.get(), "SELECT body FROM meta WHERE id='tree'", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return StoreResult::Error;
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) tree = std::string(ColumnBytes(statement.get(), 0));
  return step == SQLITE_ROW || step == SQLITE_DONE ? StoreResult::Ok : StoreResult::Error;
}

StoreResult PageReadView::ReadPage(const std::string& id, std::string& body) {
  body.clear();
  StatementHandle statement;
  sqlite3_prepare_v2(connection_.get(), "SELECT body FROM pages WHERE id=?", -1, statement.out(), nullptr);
  if (statement.get() == nullptr || id.size() > static_cast<std::size_t>(INT_MAX) ||
      sqlite3_bind_text(statement.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC) != SQLITE_OK) {
    return StoreResult::Error;
  }
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) body = std::string(ColumnBytes(statement.get(), 0));
  if (step == SQLITE_DONE) return StoreResult::NotFound;
  return step == SQLITE_ROW ? StoreResult::Ok : StoreResult::Error;
}

StoreResult PageReadView::VisitPages(const PageVisitor& visit) {
  StatementHandle statement;
  sqlite3_prepare_v2(connection_.get(), "SELECT id, body FROM pages", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return StoreResult::Error;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    visit(ColumnBytes(statement.get(), 0), ColumnBytes(statement.get(), 1));
  }
  return step == SQLITE_DONE ? StoreResult::Ok : StoreResult::Error;
}

StoreResult PageReadView::ChangesSince(PageMark& mark, PageChanges& changes) {
  changes = PageChanges{};
  // Reading the schema's version takes the shared lock if no read has yet.
  if (!Exec(connection_.get(), "PRAGMA schema_version")) return StoreResult::Error;
  std::uint32_t counter = 0;
  const bool counted = ReadHeaderCounter(connection_.get(), counter);
  const WriteLog& log = document_->writes;
  const bool onlyOurs = counted && mark.taken && log.doubtfulAt <= mark.commits &&
                        counter == mark.fileCounter + static_cast<std::uint32_t>(log.commits - mark.commits);
  changes.everyPage = !onlyOurs;
  if (onlyOurs) {
    for (const auto& [id, at] : log.pages) {
      if (at > mark.commits) changes.pages.push_back(id);
    }
  }
  mark = PageMark{counted, counter, log.commits};
  return StoreResult::Ok;
}
