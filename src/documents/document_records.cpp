#include "documents/document_records.h"

#include <algorithm>

#include "documents/session.h"
#include "store/page_read_view.h"
#include "store/records.h"

namespace {

constexpr const char* kEmptyTree = "{\"schemaVersion\":1,\"pages\":[]}";

// Pages read per brief read: a taker that stops early leaves at most this many read for nothing.
constexpr std::size_t kPagesPerRead = 8;

}  // namespace

bool IsLargeRecord(DocumentSession& session, RecordKind kind, const std::string& id) {
  switch (kind) {
    case RecordKind::Tree: return IsLargeRecord(session.document, "meta", "tree");
    case RecordKind::Page: return IsLargeRecord(session.document, "pages", id);
    case RecordKind::Image: return IsLargeRecord(session.document, "images", id);
  }
  return false;
}

RecordRead ReadDocumentTree(DocumentSession& session) {
  RecordRead read;
  read.result = GetTree(session.document, read.body, read.tag);
  if (read.result == StatusCode::NotFound) {
    read.result = StatusCode::Ok;
    read.body = kEmptyTree;
    read.tag = kNoRecordTag;
  }
  return read;
}

RecordWrite WriteDocumentTree(DocumentSession& session, const std::string& body, const std::string& expectedTag) {
  RecordWrite write;
  write.result = PutTree(session.document, body, expectedTag, write.newTag);
  return write;
}

RecordRead ReadDocumentPage(DocumentSession& session, const std::string& id) {
  RecordRead read;
  read.result = GetPage(session.document, id, read.body, read.tag);
  if (read.result == StatusCode::NotFound) {
    read.result = StatusCode::Ok;
    read.body.clear();
    read.tag = kNoRecordTag;
  }
  return read;
}

Status ReadDocumentPages(DocumentSession& session, const std::vector<std::string>& ids, const PageTaking& take) {
  bool taking = true;
  for (std::size_t next = 0; taking && next < ids.size(); next += kPagesPerRead) {
    const std::vector<std::string> some(ids.begin() + static_cast<std::ptrdiff_t>(next),
                                        ids.begin() + static_cast<std::ptrdiff_t>(std::min(ids.size(), next + kPagesPerRead)));
    const Status read = ReadPagesBriefly(session.document, some, [&](const std::string& id, Status found, std::string& body) {
      if (found == StatusCode::NotFound) body.clear();
      taking = taking && take(id, body);
    });
    if (!read.ok()) return read;
  }
  return StatusCode::Ok;
}

PageWrite WriteDocumentPage(DocumentSession& session, const std::string& id, const std::string& body,
                            const std::string& expectedTag, RevisionRule rule) {
  return WritePage(session.document, session.history, id, body, expectedTag, rule);
}

PageWrite PurgeDocumentPage(DocumentSession& session, const std::string& id) {
  PageWrite write = PurgePage(session.document, session.history, id);
  if (write.result == StatusCode::NotFound) write.result = StatusCode::Ok;
  return write;
}

ImageUpload AddDocumentImage(DocumentSession& session, const std::string& bytes) {
  ImageUpload upload;
  if (bytes.size() > kMaxImageBytes) {
    upload.result = StatusCode::TooLarge;
  } else if (!SniffImageType(bytes)) {
    upload.result = StatusCode::NotAnImage;
  } else {
    upload.result = InsertImage(session.document, bytes, upload.id);
  }
  return upload;
}

ImageRead ReadDocumentImage(DocumentSession& session, const std::string& id) {
  ImageRead read;
  read.result = GetImage(session.document, id, read.bytes, read.contentType);
  return read;
}

Status ListDocumentImages(DocumentSession& session, std::vector<ImageInfo>& images) {
  return ListImages(session.document, images);
}

Status DeleteDocumentImage(DocumentSession& session, const std::string& id) {
  const Status result = DeleteImage(session.document, id);
  return result == StatusCode::NotFound ? StatusCode::Ok : result;
}
