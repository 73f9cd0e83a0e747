#pragma once
// The open document's tree, pages and images: whole-record reads and compare-and-writes on
// version tags, as the window asks for them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "documents/page_history.h"
#include "store/document_file.h"
#include "store/images.h"

struct DocumentSession;

inline constexpr std::size_t kMaxImageBytes = 20971520;  // 20 MiB, inclusive

// A record's body and its version tag. A record never written reads as its empty form (the
// empty tree, an empty page) with the tag of no record.
struct RecordRead {
  Status result = StatusCode::Error;
  std::string body;
  std::string tag;
};

struct RecordWrite {
  Status result = StatusCode::Error;
  std::string newTag;
};

enum class RecordKind { Tree, Page, Image };

// Whether the record's body was large (kLargeBodyBytes or more) when last read or written; the
// tree's id is ignored. Never waits for the document.
bool IsLargeRecord(DocumentSession& session, RecordKind kind, const std::string& id);

RecordRead ReadDocumentTree(DocumentSession& session);
RecordWrite WriteDocumentTree(DocumentSession& session, const std::string& body, const std::string& expectedTag);
RecordRead ReadDocumentPage(DocumentSession& session, const std::string& id);
// The given pages in the given order, read in brief reads of their own (a page with no body
// reads as empty), each handed to take until it answers false; what is written meanwhile may or
// may not be seen.
using PageTaking = std::function<bool(const std::string& id, const std::string& body)>;
Status ReadDocumentPages(DocumentSession& session, const std::vector<std::string>& ids, const PageTaking& take);
// Keeps the body it replaces in the page's history by rule.
PageWrite WriteDocumentPage(DocumentSession& session, const std::string& id, const std::string& body,
                            const std::string& expectedTag, RevisionRule rule);
// Deletes a page for good, keeping its last body in its history; a page that has none is no failure.
PageWrite PurgeDocumentPage(DocumentSession& session, const std::string& id);

struct ImageUpload {
  Status result = StatusCode::Error;
  std::string id;
};

// TooLarge or NotAnImage refuse the bytes before anything is stored. The size is tested before the
// type, so an oversized file of any kind is refused as too large.
ImageUpload AddDocumentImage(DocumentSession& session, const std::string& bytes);

struct ImageRead {
  Status result = StatusCode::Error;
  std::string bytes;
  std::string contentType;
};

ImageRead ReadDocumentImage(DocumentSession& session, const std::string& id);
Status ListDocumentImages(DocumentSession& session, std::vector<ImageInfo>& images);
// An image that is not there is no failure.
Status DeleteDocumentImage(DocumentSession& session, const std::string& id);
