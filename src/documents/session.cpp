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
constexpr char kCannotOpenMessage[] =
    "ファイルを開けません。他のファイルを閉じるか、Ferncard を一度終了してください。";

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

bool OpenSession(DocumentSession& session, const std::string& path, bool firstSession, std::string& message) {
  std::string accepted;
  if (!ValidateDocumentFile(path, accepted, message)) return false;
  session.document.path = accepted;
  session.document.identity = platform::FileIdentityOf(accepted);
  // Retention deletes old backups: edits made to one would be lost with it.
  session.document.readOnly = IsInBackupsFolder(session.owner, accepted);
  AttachPageHistory(session.history, session.owner.historyFolder, accepted);
  session.gate.cookieSecret = RandomHex(32);
  if (session.gate.cookieSecret.empty() || !StartSessionListener(session, firstSession)) {
    message = kCannotOpenMessage;
    return false;
  }
  return true;
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

DocumentSession* OpenDocument(OpenDocuments& documents, const std::string& path, std::string& message) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  DocumentSession* session = FindOpenSession(documents, path);
  if (session == nullptr) {
    auto created = std::make_unique<DocumentSession>(documents);
    if (!OpenSession(*created, path, documents.sessions.empty(), message)) return nullptr;
    session = created.get();
    documents.sessions.push_back(std::move(created));
    ScheduleBackups(*session);
  }
  documents.current = session;
  // A backup listed first would open, read-only, at the next start instead of the user's document.
  if (!session->document.readOnly) AddRecentFile(documents, path);
  return session;
}

void StopSessions(OpenDocuments& documents) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  for (const auto& session : documents.sessions) StopListener(session->listener);
}
