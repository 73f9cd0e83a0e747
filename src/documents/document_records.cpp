#include "documents/document_records.h"

#include "documents/session.h"
#include "store/records.h"

namespace {

constexpr const char* kEmptyTree = "{\"schemaVersion\":1,\"pages\":[]}";

}  // namespace

RecordRead ReadDocumentTree(DocumentSession& session) {
  RecordRead read;
  read.result = GetTree(session.document, read.body, read.tag);
  if (read.result == StoreResult::NotFound) {
    read.result = StoreResult::Ok;
    read.body = kEmptyTree;
    read.tag = "0";
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
  if (read.result == StoreResult::NotFound) {
    read.result = StoreResult::Ok;
    read.body.clear();
    read.tag = "0";
  }
  return read;
}

PageWrite WriteDocumentPage(DocumentSession& session, const std::string& id, const std::string& body,
                            const std::string& expectedTag, RevisionRule rule) {
  return WritePage(session.document, session.history, id, body, expectedTag, rule);
}

PageWrite PurgeDocumentPage(DocumentSession& session, const std::string& id) {
  PageWrite write = PurgePage(session.document, session.history, id);
  if (write.result == StoreResult::NotFound) write.result = StoreResult::Ok;
  return write;
}

ImageUpload AddDocumentImage(DocumentSession& session, const std::string& bytes) {
  ImageUpload upload;
  if (bytes.size() > kMaxImageBytes) {
    upload.refusal = ImageRefusal::TooLarge;
  } else if (!SniffImageType(bytes)) {
    upload.refusal = ImageRefusal::NotAnImage;
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

bool ListDocumentImages(DocumentSession& session, std::vector<ImageInfo>& images) {
  return ListImages(session.document, images);
}

StoreResult DeleteDocumentImage(DocumentSession& session, const std::string& id) {
  const StoreResult result = DeleteImage(session.document, id);
  return result == StoreResult::NotFound ? StoreResult::Ok : result;
}
