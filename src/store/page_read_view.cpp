#include "store/page_read_view.h"

#include <sqlite3.h>

#include <climits>
#include <utility>
#include <vector>

namespace {

std::string_view ColumnBytes(sqlite3_stmt* statement, int column) {
  const void* data = sqlite3_column_blob(statement, column);
  const int length = sqlite3_column_bytes(statement, column);
  if (data == nullptr || length < 1) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(length)};
}

}  // namespace

Status PageReadView::Open(DocumentFile& document) { return Start(document, nullptr, nullptr); }

Status PageReadView::Open(DocumentFile& document, PageMark& mark, PageChanges& changes) {
  return Start(document, &mark, &changes);
}

void PageReadView::Close() { connection_ = ConnectionHandle(); }

Status PageReadView::Start(DocumentFile& document, PageMark* mark, PageChanges* changes) {
  Close();
  // While the document's lock is held no write of this process is under way, so the file's
  // change counter and the write log agree; once the shared lock is taken, none can commit.
  std::lock_guard lock(document.mutex);
  if (const Status opened = OpenDocumentStore(document, connection_); !opened.ok()) return opened.As(StatusCode::Error);
  // Reading the schema's version takes the shared lock, held until the connection closes.
  if (!Exec(connection_.get(), "BEGIN") || !Exec(connection_.get(), "PRAGMA schema_version")) {
    const Status failed = SqliteFailure(connection_.get());
    Close();
    return failed;
  }
  if (mark == nullptr || changes == nullptr) return StatusCode::Ok;
  *changes = PageChanges{};
  std::uint32_t counter = 0;
  const bool counted = ReadFileChangeCounter(connection_.get(), counter);
  const WriteLog& log = document.writes;
  const bool onlyOurs = counted && mark->taken && log.doubtfulAt <= mark->commits &&
                        counter == mark->fileCounter + static_cast<std::uint32_t>(log.commits - mark->commits);
  changes->everyPage = !onlyOurs;
  if (onlyOurs) {
    for (const auto& [id, at] : log.pages) {
      if (at > mark->commits) changes->pages.push_back(id);
    }
  }
  *mark = PageMark{counted, counter, log.commits};
  return StatusCode::Ok;
}

Status PageReadView::ReadTree(std::string& tree) {
  tree.clear();
  StatementHandle statement;
  sqlite3_prepare_v2(connection_.get(), "SELECT body FROM meta WHERE id='tree'", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return SqliteFailure(connection_.get());
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) tree = std::string(ColumnBytes(statement.get(), 0));
  return step == SQLITE_ROW || step == SQLITE_DONE ? Status() : SqliteFailure(connection_.get());
}

Status PageReadView::ReadPage(const std::string& id, std::string& body) {
  body.clear();
  StatementHandle statement;
  sqlite3_prepare_v2(connection_.get(), "SELECT body FROM pages WHERE id=?", -1, statement.out(), nullptr);
  if (statement.get() == nullptr || id.size() > static_cast<std::size_t>(INT_MAX) ||
      sqlite3_bind_text(statement.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC) != SQLITE_OK) {
    return SqliteFailure(connection_.get());
  }
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) body = std::string(ColumnBytes(statement.get(), 0));
  if (step == SQLITE_DONE) return StatusCode::NotFound;
  return step == SQLITE_ROW ? Status() : SqliteFailure(connection_.get());
}

Status PageReadView::VisitPages(const PageVisitor& visit) {
  StatementHandle statement;
  sqlite3_prepare_v2(connection_.get(), "SELECT id, body FROM pages", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return SqliteFailure(connection_.get());
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    visit(ColumnBytes(statement.get(), 0), ColumnBytes(statement.get(), 1));
  }
  return step == SQLITE_DONE ? Status() : SqliteFailure(connection_.get());
}

namespace {

// A read is over its slice once it has taken its time or this many bytes.
constexpr std::size_t kSliceBytes = 8 * 1048576;

struct Slice {
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  std::size_t bytes = 0;

  bool Over(std::size_t more) {
    bytes += more;
    return bytes >= kSliceBytes || std::chrono::steady_clock::now() - started >= kReadSlice;
  }
};

}  // namespace

Status VisitEveryPageBriefly(DocumentFile& document, const PageVisitor& visit) {
  std::string after;
  for (bool first = true, more = true; more; first = false) {
    std::vector<std::pair<std::string, std::string>> pages;
    {
      PageReadView view;
      if (const Status opened = view.Open(document); !opened.ok()) return opened;
      StatementHandle statement;
      sqlite3_prepare_v2(view.connection_.get(),
                         first ? "SELECT id, body FROM pages ORDER BY id" : "SELECT id, body FROM pages WHERE id>? ORDER BY id",
                         -1, statement.out(), nullptr);
      if (statement.get() == nullptr || after.size() > static_cast<std::size_t>(INT_MAX) ||
          (!first && sqlite3_bind_text(statement.get(), 1, after.data(), static_cast<int>(after.size()),
                                       SQLITE_STATIC) != SQLITE_OK)) {
        return SqliteFailure(view.connection_.get());
      }
      Slice slice;
      int step = SQLITE_ROW;
      while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        pages.emplace_back(ColumnBytes(statement.get(), 0), ColumnBytes(statement.get(), 1));
        if (slice.Over(pages.back().second.size())) break;
      }
      if (step != SQLITE_ROW && step != SQLITE_DONE) return SqliteFailure(view.connection_.get());
      more = step == SQLITE_ROW;
    }
    for (const auto& [id, body] : pages) visit(id, body);
    if (!pages.empty()) after = pages.back().first;
  }
  return StatusCode::Ok;
}

Status ReadPagesBriefly(DocumentFile& document, const std::vector<std::string>& ids, const PageTaker& take) {
  for (std::size_t next = 0; next < ids.size();) {
    std::vector<std::pair<Status, std::string>> bodies;
    {
      PageReadView view;
      if (const Status opened = view.Open(document); !opened.ok()) return opened;
      Slice slice;
      for (std::size_t i = next; i < ids.size(); ++i) {
        std::string body;
        const Status read = view.ReadPage(ids[i], body);
        if (read == StatusCode::Error) return read;
        bodies.emplace_back(read, std::move(body));
        if (slice.Over(bodies.back().second.size())) break;
      }
    }
    for (auto& [found, body] : bodies) take(ids[next++], found, body);
  }
  return StatusCode::Ok;
}
