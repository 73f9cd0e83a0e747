#include "store/images.h"

#include <sqlite3.h>

#include <climits>
#include <mutex>

#include "platform/clock.h"
#include "store/format.h"
#include "store/records.h"
#include "util/text.h"

namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<ImageType> SniffImageType(std::string_view bytes) {
  using namespace std::string_view_literals;
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n"sv)) return ImageType{"png", "image/png"};
  if (StartsWith(bytes, "\xff\xd8\xff"sv)) return ImageType{"jpg", "image/jpeg"};
  if (StartsWith(bytes, "GIF87a"sv) || StartsWith(bytes, "GIF89a"sv)) return ImageType{"gif", "image/gif"};
  if (bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF"sv && bytes.substr(8, 4) == "WEBP"sv) {
    return ImageType{"webp", "image/webp"};
  }
  return std::nullopt;
}

bool InsertImageRow(sqlite3* connection, const std::string& id, const std::string& bytes, std::int64_t modified) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  StatementHandle statement;
  sqlite3_prepare_v2(connection, "INSERT INTO images(id, body, modified) VALUES(?, ?, ?)", -1, statement.out(),
                     nullptr);
  if (statement.get() == nullptr) return false;
  // The bytes outlive the step, so the library need not copy them.
  if (sqlite3_bind_text(statement.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC) != SQLITE_OK ||
      sqlite3_bind_blob(statement.get(), 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC) !=
          SQLITE_OK ||
      sqlite3_bind_int64(statement.get(), 3, modified) != SQLITE_OK) {
    return false;
  }
  return sqlite3_step(statement.get()) == SQLITE_DONE;
}

Status InsertImage(DocumentFile& document, const std::string& bytes, std::string& id) {
  id.clear();
  if (!SniffImageType(bytes)) return Status(StatusCode::Error, "not an image");
  const std::string newId = RandomHex(16);
  if (newId.empty()) return Status(StatusCode::Error, "no random identifier");
  std::lock_guard lock(document.mutex);
  ConnectionHandle connection;
  if (const Status opened = OpenDocumentStoreForWriting(document, connection); opened != StatusCode::Ok) {
    return opened;
  }
  if (!InsertImageRow(connection.get(), newId, bytes, platform::SystemMilliseconds())) {
    const Status failed = SqliteFailure(connection.get());
    LogDoubtfulWrite(document);  // the statement is its own transaction: it may have failed in its commit
    return failed;
  }
  LogCommit(document, "images", newId);
  id = newId;
  return StatusCode::Ok;
}

Status GetImage(DocumentFile& document, const std::string& id, std::string& bytes, std::string& contentType) {
  bytes.clear();
  contentType.clear();
  if (!IsLowerHexOfLength(id, 32)) return StatusCode::NotFound;
  std::string tag;
  const Status result = GetRecord(document, "images", id, bytes, tag);
  if (result != StatusCode::Ok) return result;
  const auto type = SniffImageType(bytes);
  if (!type) {
    // A stored record that is not a recognised image is not served.
    bytes.clear();
    return StatusCode::NotFound;
  }
  contentType = type->contentType;
  return StatusCode::Ok;
}

Status DeleteImage(DocumentFile& document, const std::string& id) {
  if (!IsLowerHexOfLength(id, 32)) return StatusCode::NotFound;
  return DeleteRecord(document, "images", id);
}

Status ListImages(DocumentFile& document, std::vector<ImageInfo>& images) {
  images.clear();
  std::lock_guard lock(document.mutex);
  ConnectionHandle connection;
  if (const Status opened = OpenDocumentStore(document, connection); !opened.ok()) return opened.As(StatusCode::Error);
  StatementHandle statement;
  sqlite3_prepare_v2(connection.get(), "SELECT id, length(body), modified FROM images", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return SqliteFailure(connection.get());
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    std::string id = ReadTextColumn(statement.get(), 0);
    if (!IsLowerHexOfLength(id, 32)) continue;  // rows written by other programs are left out
    images.push_back(
        ImageInfo{std::move(id), sqlite3_column_int64(statement.get(), 1), sqlite3_column_int64(statement.get(), 2)});
  }
  if (step != SQLITE_DONE) {
    images.clear();
    return SqliteFailure(connection.get());
  }
  return {};
}
