#pragma once
// Image records: inserted under new random identifiers, read, listed, deleted.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/document_file.h"

struct ImageType {
  const char* name;         // "png", "jpg", "gif", "webp"
  const char* contentType;  // "image/png", ...
};

std::optional<ImageType> SniffImageType(std::string_view bytes);

struct ImageInfo {
  std::string id;
  std::int64_t size = 0;
  std::int64_t modified = 0;  // milliseconds since 1970-01-01 UTC
};

Status InsertImage(DocumentFile& document, const std::string& bytes, std::string& id);
Status GetImage(DocumentFile& document, const std::string& id, std::string& bytes, std::string& contentType);
Status DeleteImage(DocumentFile& document, const std::string& id);
Status ListImages(DocumentFile& document, std::vector<ImageInfo>& images);

struct sqlite3;

// One image row on an open connection, without a transaction of its own; used by the folder import.
bool InsertImageRow(sqlite3* connection, const std::string& id, const std::string& bytes, std::int64_t modified);
