#include "documents/session.h"

#include <memory>
#include <mutex>

#include "documents/backups.h"
#include "documents/recent_files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "store/format.h"
#include "util/text.h"

namespace {

constexpr std::uint32_t kFirstAutomaticPort = 8890;
constexpr std::uint32_t kPortsPerSession = 20;
constexpr std::uint32_t kHighestPort = 65535;

// The gate's port and cookie name are written before the accept thread starts, so that a request
// arriving at once never reads them while they are being written.
bool TryPort(DocumentSession& session, std::uint32_t port) {
  session.gate.port = port;
  session.gate.cookieName = "fc_" + std::to_string(port);
  if (StartListener(session.listener, port, session.owner.handlerFor(session))) return true;
  session.gate.port = 0;
  session.gate.cookieName.clear();
  return false;
}

bool StartSessionListener(DocumentSession& session, bool firstSession) {
  const std::int32_t requested = session.owner.settings.port;
  if (firstSession && requested > 0) return TryPort(session, static_cast<std::uint32_t>(requested));
  const std::uint32_t base = requested > 0 ? static_cast<std::uint32_t>(requested) + 1 : kFirstAutomaticPort;
  for (std::uint32_t port = base; port < base + kPortsPerSession; ++port) {
    if (port > kHighestPort) break;  // every later candidate is out of range too
    if (TryPort(session, port)) return true;
  }
  return false;
}

Status OpenSession(DocumentSession& session, const std::string& path, bool firstSession) {
  session.document.path = path;
  session.document.identity = platform::FileIdentityOf(path);
  // Retention deletes old backups: edits made to one would be lost with it.
  session.document.readOnly = IsInBackupsFolder(session.owner, path);
  session.pageIndex.fileFolder = session.owner.indexFolder;
  session.pageIndex.filePath = PageIndexFilePath(session.owner.indexFolder, path);
  // The search index's file is read while the document is checked, which takes about as long.
  session.indexFile.ReadSoon(session.document, session.pageIndex, session.searches);
  if (Status valid = ValidateDocumentFile(path); !valid) return valid;
  AttachPageHistory(session.history, session.owner.historyFolder, path);
  session.gate.cookieSecret = RandomHex(32);
  if (session.gate.cookieSecret.empty()) return Status(StatusCode::NoSession, "no random cookie secret");
  if (!StartSessionListener(session, firstSession)) return Status(StatusCode::NoSession, "no port to listen on");
  session.indexFile.Opened();
  return {};
}

}  // namespace

DocumentSession::~DocumentSession() { ForgetBackups(*this); }

// A path spelled differently (through a linked folder, say) can still reach an open document:
// creating or copying onto it would replace that document's file under its session.
DocumentSession* FindOpenSession(OpenDocuments& documents, const std::string& path) {
  for (const auto& session : documents.sessions) {
    if (platform::SamePath(session->document.path, path)) return session.get();
  }
  for (const auto& session : documents.sessions) {
    if (platform::SameExistingFile(session->document.path, path)) return session.get();
  }
  return nullptr;
}

bool IsDocumentOpen(OpenDocuments& documents, const std::string& path) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  return FindOpenSession(documents, path) != nullptr;
}

Status OpenDocument(OpenDocuments& documents, const std::string& path, DocumentSession** opened) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  DocumentSession* session = FindOpenSession(documents, path);
  if (session == nullptr) {
    auto created = std::make_unique<DocumentSession>(documents);
    if (Status started = OpenSession(*created, path, documents.sessions.empty()); !started) return started;
    session = created.get();
    documents.sessions.push_back(std::move(created));
    ScheduleBackups(*session);
  }
  documents.current = session;
  // A backup listed first would open, read-only, at the next start instead of the user's document.
  if (!session->document.readOnly) AddRecentFile(documents, path);
  if (opened != nullptr) *opened = session;
  return {};
}

void StopSessions(OpenDocuments& documents) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  for (const auto& session : documents.sessions) StopListener(session->listener);
}
