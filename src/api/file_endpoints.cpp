#include "api/file_endpoints.h"

#include <mutex>

#include "documents/backups.h"
#include "documents/browser_launch.h"
#include "documents/file_dialog.h"
#include "documents/recent_files.h"
#include "documents/session.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "store/store_files.h"
#include "util/text.h"

namespace {

constexpr std::string_view kFilePrefix = "/api/file/";
constexpr std::string_view kRecentPrefix = "recent/";

HttpResponse OpenedAnswer(const std::string& path) {
  return JsonResponse("{\"opened\":true,\"name\":\"" + JsonEscape(platform::FileNameOf(path)) + "\"}");
}

HttpResponse CancelledAnswer() { return JsonResponse("{\"opened\":false}"); }

HttpResponse FileFailed(const std::string& message) { return ErrorResponse(409, "file_failed", message); }

bool IsOpen(OpenDocuments& documents, const std::string& path) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  return FindOpenSession(documents, path) != nullptr;
}

// A name typed without the extension was confirmed by the user only in its typed form: the file
// that the appended extension happens to name was never offered for replacing, so it is left alone.
bool WouldReplaceUnconfirmed(const std::string& chosen, const std::string& target) {
  return target != chosen && platform::PathExists(target);
}

// OpenDocument, then a browser window; the answer names the opened file.
HttpResponse OpenAndLaunch(OpenDocuments& documents, const std::string& path) {
  std::string message;
  DocumentSession* opened = OpenDocument(documents, path, message);
  if (opened == nullptr) return FileFailed(message);
  LaunchBrowser(*opened, "");
  return OpenedAnswer(path);
}

HttpResponse OpenFromDialog(OpenDocuments& documents, const std::string& initialFolder = "") {
  std::string chosen;
  if (!ShowFileDialog(false, "", chosen, initialFolder)) return CancelledAnswer();
  return OpenAndLaunch(documents, chosen);
}

HttpResponse OpenRecent(OpenDocuments& documents, std::string_view indexText) {
  const std::vector<std::string> recent = ReadRecentFiles(documents);
  std::size_t index = 0;
  if (!ParseRecentIndex(indexText, recent.size(), index)) return ErrorResponse(404, "not_found", "");
  return OpenAndLaunch(documents, recent[index]);
}

HttpResponse CreateNew(OpenDocuments& documents) {
  std::string chosen;
  if (!ShowFileDialog(true, kNewDocumentName, chosen)) return CancelledAnswer();
  const std::string target = EnsureDocumentExtension(chosen);
  if (IsOpen(documents, target)) return FileFailed(kFileAlreadyOpenMessage);
  if (WouldReplaceUnconfirmed(chosen, target)) return FileFailed(kCannotCreateMessage);
  if (!CreateStoreFile(target)) return FileFailed(kCannotCreateMessage);
  return OpenAndLaunch(documents, target);
}

HttpResponse SaveAs(DocumentSession& session) {
  OpenDocuments& documents = session.owner;
  std::string chosen;
  if (!ShowFileDialog(true, platform::FileNameOf(session.document.path), chosen)) return CancelledAnswer();
  const std::string target = EnsureDocumentExtension(chosen);
  if (WouldReplaceUnconfirmed(chosen, target)) {
    return FileFailed(IsOpen(documents, target) ? kFileAlreadyOpenMessage : kCannotSaveMessage);
  }
  std::string message;
  if (!SaveDocumentAs(session, target, message)) return FileFailed(message);
  return OpenedAnswer(target);
}

}  // namespace

std::string EnsureDocumentExtension(const std::string& path) {
  return EndsWithIgnoringAsciiCase(path, kDocumentExtension) ? path : path + kDocumentExtension;
}

bool ParseRecentIndex(std::string_view text, std::size_t count, std::size_t& index) {
  if (text.empty() || text.size() > 2) return false;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  if (value >= count) return false;
  index = value;
  return true;
}

bool SaveDocumentAs(DocumentSession& session, const std::string& target, std::string& message) {
  OpenDocuments& documents = session.owner;
  if (IsOpen(documents, target)) {
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

HttpResponse HandleFileEndpoint(DocumentSession& session, const HttpRequest& request) {
  if (request.method != "POST") return ErrorResponse(405, "method_not_allowed", "");
  std::string_view action = request.path;
  if (action.substr(0, kFilePrefix.size()) == kFilePrefix) action.remove_prefix(kFilePrefix.size());

  if (action == "open") return OpenFromDialog(session.owner);
  if (action == "open-backup") return OpenFromDialog(session.owner, BackupsFolder(session.owner));
  if (action == "new") return CreateNew(session.owner);
  if (action == "save-as") return SaveAs(session);
  if (action.substr(0, kRecentPrefix.size()) == kRecentPrefix) {
    return OpenRecent(session.owner, action.substr(kRecentPrefix.size()));
  }
  return ErrorResponse(404, "not_found", "");
}
