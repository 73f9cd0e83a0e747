#include "documents/document_files.h"

#include "documents/browser_launch.h"
#include "documents/file_dialog.h"
#include "documents/recent_files.h"
#include "documents/session.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "store/store_files.h"
#include "util/text.h"

namespace {

FileOutcome Opened(const std::string& path) { return {FileResult::Opened, platform::FileNameOf(path), {}}; }

FileOutcome Cancelled() { return {FileResult::Cancelled, {}, {}}; }

FileOutcome FileFailed(const std::string& message) { return {FileResult::Failed, {}, message}; }

// A name typed without the extension was confirmed by the user only in its typed form: the file
// that the appended extension happens to name was never offered for replacing, so it is left alone.
bool WouldReplaceUnconfirmed(const std::string& chosen, const std::string& target) {
  return target != chosen && platform::PathExists(target);
}

// OpenDocument, then a browser window; the answer names the opened file.
FileOutcome OpenAndLaunch(OpenDocuments& documents, const std::string& path) {
  std::string message;
  DocumentSession* opened = OpenDocument(documents, path, message);
  if (opened == nullptr) return FileFailed(message);
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
  if (index >= recent.size()) return {FileResult::NotFound, {}, {}};
  return OpenAndLaunch(documents, recent[index]);
}

FileOutcome CreateNewDocument(OpenDocuments& documents) {
  std::string chosen;
  if (!ShowFileDialog(true, kNewDocumentName, chosen)) return Cancelled();
  const std::string target = EnsureDocumentExtension(chosen);
  if (IsDocumentOpen(documents, target)) return FileFailed(kFileAlreadyOpenMessage);
  if (WouldReplaceUnconfirmed(chosen, target)) return FileFailed(kCannotCreateMessage);
  if (!CreateStoreFile(target)) return FileFailed(kCannotCreateMessage);
  return OpenAndLaunch(documents, target);
}

FileOutcome SaveDocumentAsFromDialog(DocumentSession& session) {
  OpenDocuments& documents = session.owner;
  std::string chosen;
  if (!ShowFileDialog(true, platform::FileNameOf(session.document.path), chosen)) return Cancelled();
  const std::string target = EnsureDocumentExtension(chosen);
  if (WouldReplaceUnconfirmed(chosen, target)) {
    return FileFailed(IsDocumentOpen(documents, target) ? kFileAlreadyOpenMessage : kCannotSaveMessage);
  }
  std::string message;
  if (!SaveDocumentAs(session, target, message)) return FileFailed(message);
  return Opened(target);
}

std::string EnsureDocumentExtension(const std::string& path) {
  return EndsWithIgnoringAsciiCase(path, kDocumentExtension) ? path : path + kDocumentExtension;
}

bool SaveDocumentAs(DocumentSession& session, const std::string& target, std::string& message) {
  OpenDocuments& documents = session.owner;
  if (IsDocumentOpen(documents, target)) {
    message = kFileAlreadyOpenMessage;
    return false;
  }
  if (!CopyStoreFile(session.document, target)) {
    message = kCannotSaveMessage;
    return false;
  }
  DocumentSession* opened = OpenDocument(documents, target, message);
  if (opened == nullptr) return false;  // the copy stays on disk
  LaunchBrowser(*opened, "");
  return true;
}
