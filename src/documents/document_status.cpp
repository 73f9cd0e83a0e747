#include "documents/document_status.h"

#include "documents/recent_files.h"
#include "documents/session.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/shell.h"

DocumentStatus StatusOfDocument(DocumentSession& session) {
  const std::string& path = session.document.path;
  return DocumentStatus{path, platform::FileNameOf(path), platform::SamePath(path, session.owner.defaultPath),
                        session.document.readOnly, session.listener.port};
}

std::vector<RecentDocument> ListRecentDocuments(OpenDocuments& documents) {
  std::vector<RecentDocument> listed;
  for (const std::string& path : ReadRecentFiles(documents)) {
    listed.push_back(RecentDocument{path, platform::FileNameOf(path), platform::IsExistingFile(path)});
  }
  return listed;
}

void ShowDocumentInFolder(DocumentSession& session) { platform::ShowInFolder(session.document.path); }
