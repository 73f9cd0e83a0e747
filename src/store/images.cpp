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

StoreResult InsertImage(DocumentFile& document, const std::string& bytes, std::string& id) {
  id.clear();
  if (!SniffImageType(bytes)) return StoreResult::Error;
  const std::string newId = RandomHex(16);
  if (newId.empty()) return StoreResult::Error;
  std::lock_guard<std::mutex> lock(document.mutex);
  ConnectionHandle connection;
  if (const StoreResult opened = OpenDocumentStoreForWriting(document, connection); opened != StoreResult::Ok) {
    return opened;
  }
  if (!InsertImageRow(connection.get(), newId, bytes, platform::SystemMilliseconds())) {
    LogDoubtfulWrite(document);  // the statement is its own transaction: it may have failed in its commit
    return StoreResult::Error;
  }
  LogCommit(document, "images", newId);
  id = newId;
  return StoreResult::Ok;
}

StoreResult GetImage(DocumentFile& document, const std::string& id, std::string& bytes, std::string& contentType) {
  bytes.clear();
  contentType.clear();
  if (!IsLowerHexOfLength(id, 32)) return StoreResult::NotFound;
  std::string tag;
  const StoreResult result = GetRecord(document, "images", id, bytes, tag);
  if (result != StoreResult::Ok) return result;
  const auto type = SniffImageType(bytes);
  if (!type) {
    // A stored record that is not a recognised image is not served.
    bytes.clear();
    return StoreResult::NotFound;
  }
  contentType = type->contentType;
  return StoreResult::Ok;
}

StoreResult DeleteImage(DocumentFile& document, const std::string& id) {
  if (!IsLowerHexOfLength(id, 32)) return StoreResult::NotFound;
  return DeleteRecord(document, "images", id);
}

bool ListImages(DocumentFile& document, std::vector<ImageInfo>& images) {
  images.clear();
  std::lock_guard<std::mutex> lock(document.mutex);
  ConnectionHandle connection;
  if (OpenDocumentStore(document, connection) != StoreOpenResult::Ok) return false;
  StatementHandle statement;
  sqlite3_prepare_v2(connection.get(), "SELECT id, length(body), modified FROM images", -1, statement.out(), nullptr);
  if (statement.get() == nullptr) return false;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    std::string id = ReadTextColumn(statement.get(), 0);
    if (!IsLowerHexOfLength(id, 32)) continue;  // rows written by other programs are left out
    images.push_back(
        ImageInfo{std::move(id), sqlite3_column_int64(statement.get(), 1), sqlite3_column_int64(statement.get(), 2)});
  }
  if (step != SQLITE_DONE) {
    images.clear();
    return false;
  }
  return true;
}
