#pragma once
// What the window shows about its document and the others: the facts of the open document, the
// recent list with each entry's name, and the document's folder shown in the file manager.
#include <cstdint>
#include <string>
#include <vector>

struct OpenDocuments;
struct DocumentSession;

struct DocumentStatus {
  std::string path;
  std::string fileName;
  bool isDefault = false;  // the data folder's own document
  bool readOnly = false;   // opened from the backups folder
  std::uint32_t port = 0;
};

DocumentStatus StatusOfDocument(DocumentSession& session);

struct RecentDocument {
  std::string path;
  std::string name;
  bool exists = false;  // a file is there now
};

std::vector<RecentDocument> ListRecentDocuments(OpenDocuments& documents);

// Opens the file manager on the folder of the session's document, the file selected.
void ShowDocumentInFolder(DocumentSession& session);
