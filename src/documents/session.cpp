#include "documents/session.h"

#include <memory>
#include <mutex>

#include "app/app_state.h"
#include "documents/recent_files.h"
#include "http/gate.h"
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

// Every request that reaches the session's port is answered for this session.
RequestHandler SessionHandler(DocumentSession& session) {
  return [&session](const HttpRequest& request) { return HandleRequest(session, request); };
}

// The cookie name is written before the accept thread starts, so that a request arriving at once
// never reads it while it is being written.
bool TryPort(DocumentSession& session, std::uint32_t port) {
  session.cookieName = "fc_" + std::to_string(port);
  if (StartListener(session.listener, port, SessionHandler(session))) return true;
  session.cookieName.clear();
  return false;
}

bool StartSessionListener(DocumentSession& session, bool firstSession) {
  const std::int32_t requested = session.options.port;
  if (firstSession && requested > 0) return TryPort(session, static_cast<std::uint32_t>(requested));
  const std::uint32_t base = requested > 0 ? static_cast<std::uint32_t>(requested) + 1 : kFirstAutomaticPort;
  for (std::uint32_t port = base; port < base + kPortsPerSession; ++port) {
    if (port > kHighestPort) break;  // every later candidate is out of range too
    if (TryPort(session, port)) return true;
  }
  return false;
}

}  // namespace

// A path spelled differently (through a linked folder, say) can still reach an open document:
// creating or copying onto it would replace that document's file under its session.
DocumentSession* FindOpenSession(AppState& app, const std::string& path) {
  for (const auto& session : app.sessions) {
    if (platform::SamePath(session->document.path, path)) return session.get();
  }
  for (const auto& session : app.sessions) {
    if (platform::SameExistingFile(session->document.path, path)) return session.get();
  }
  return nullptr;
}

bool OpenSession(DocumentSession& session, AppState& app, const std::string& path, bool firstSession,
                 std::string& message) {
  session.options = app.options;
  std::string accepted;
  if (!ValidateDocumentFile(path, accepted, message)) return false;
  session.document.path = accepted;
  session.document.identity = platform::FileIdentityOf(accepted);
  session.cookieSecret = RandomHex(32);
  if (session.cookieSecret.empty() || !StartSessionListener(session, firstSession)) {
    message = kCannotOpenMessage;
    return false;
  }
  return true;
}

DocumentSession* OpenDocument(AppState& app, const std::string& path, std::string& message) {
  std::lock_guard<std::mutex> lock(app.mutex);
  DocumentSession* session = FindOpenSession(app, path);
  if (session == nullptr) {
    auto created = std::make_unique<DocumentSession>(app);
    if (!OpenSession(*created, app, path, app.sessions.empty(), message)) return nullptr;
    session = created.get();
    app.sessions.push_back(std::move(created));
  }
  app.current = session;
  AddRecentFile(app, path);
  return session;
}
