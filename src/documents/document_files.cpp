#include "documents/document_files.h"

#include <utility>

#include "documents/browser_launch.h"
#include "documents/file_dialog.h"
#include "documents/recent_files.h"
#include "documents/session.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "store/store_files.h"
#include "util/text.h"

namespace {

FileOutcome Opened(const std::string& path) { return {{}, false, platform::FileNameOf(path)}; }

FileOutcome Cancelled() { return {{}, true, {}}; }

FileOutcome FileFailed(Status status) { return {std::move(status), false, {}}; }

// A name typed without the extension was confirmed by the user only in its typed form: the file
// that the appended extension happens to name was never offered for replacing, so it is left alone.
bool WouldReplaceUnconfirmed(const std::string& chosen, const std::string& target) {
  return target != chosen && platform::PathExists(target);
}

// OpenDocument, then a browser window; the answer names the opened file.
FileOutcome OpenAndLaunch(OpenDocuments& documents, const std::string& path) {
  DocumentSession* opened = nullptr;
  if (Status status = OpenDocument(documents, path, &opened); !status) return FileFailed(std::move(status));
  LaunchBrowser(*opened, "");
  return Opened(path);
}

}  // namespace

FileOutcome OpenDocumentFromDialog(OpenDocuments& documents, const std::string& initialFolder) {
  std::string chosen;
  if (!ShowFileDialog(false, "", chosen, initialFolder)) return Cancelled();
  return OpenAndLaunch(documents, chosen);
}

FileOutcome OpenRecentDocument(OpenDocuments& documents, std::size_t index) {
  const std::vector<std::string> recent = ReadRecentFiles(documents);
  if (index >= recent.size()) return FileFailed(Status(StatusCode::NotFound));
  return OpenAndLaunch(documents, recent[index]);
}

FileOutcome CreateNewDocument(OpenDocuments& documents) {
  std::string chosen;
  if (!ShowFileDialog(true, std::string(kNewDocumentStem) + kDocumentExtension, chosen)) return Cancelled();
  const std::string target = EnsureDocumentExtension(chosen);
  if (IsDocumentOpen(documents, target)) return FileFailed(StatusCode::AlreadyOpen);
  if (WouldReplaceUnconfirmed(chosen, target)) return FileFailed(Status(StatusCode::CannotCreate, target + " exists"));
  if (Status created = CreateStoreFile(target); !created) return FileFailed(created.As(StatusCode::CannotCreate));
  return OpenAndLaunch(documents, target);
}

FileOutcome SaveDocumentAsFromDialog(DocumentSession& session) {
  OpenDocuments& documents = session.owner;
  std::string chosen;
  if (!ShowFileDialog(true, platform::FileNameOf(session.document.path), chosen)) return Cancelled();
  const std::string target = EnsureDocumentExtension(chosen);
  if (WouldReplaceUnconfirmed(chosen, target)) {
    return FileFailed(IsDocumentOpen(documents, target) ? Status(StatusCode::AlreadyOpen)
                                                        : Status(StatusCode::CannotSave, target + " exists"));
  }
  if (Status saved = SaveDocumentAs(session, target); !saved) return FileFailed(std::move(saved));
  return Opened(target);
}

std::string EnsureDocumentExtension(const std::string& path) {
  return EndsWithIgnoringAsciiCase(path, kDocumentExtension) ? path : path + kDocumentExtension;
}

Status SaveDocumentAs(DocumentSession& session, const std::string& target) {
  OpenDocuments& documents = session.owner;
  if (IsDocumentOpen(documents, target)) return StatusCode::AlreadyOpen;
  if (Status copied = CopyStoreFile(session.document, target); !copied) return copied.As(StatusCode::CannotSave);
  DocumentSession* opened = nullptr;
  // On failure the copy stays on disk.
  if (Status status = OpenDocument(documents, target, &opened); !status) return status;
  LaunchBrowser(*opened, "");
  return {};
}
