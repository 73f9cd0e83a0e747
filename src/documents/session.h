#pragma once
// One open document: its file, its listener on its own port, its cookie and its tickets.
#include <optional>
#include <string>

#include "app/options.h"
#include "http/listener.h"
#include "http/tickets.h"
#include "store/document_file.h"

struct AppState;

struct DocumentSession {
  AppState& app;
  StartupOptions options;
  DocumentFile document;
  HttpListener listener;
  std::string cookieSecret;  // 64 hex characters
  std::string cookieName;    // "fc_" + port
  TicketStore tickets;

  explicit DocumentSession(AppState& state) : app(state) {}
};

// Opens (or reuses) the document at path, makes it current and puts it at the top of the
// recent list. Returns null with a user message on failure. Takes AppState.mutex.
DocumentSession* OpenDocument(AppState& app, const std::string& path, std::string& message);

// The caller holds AppState.mutex.
DocumentSession* FindOpenSession(AppState& app, const std::string& path);

bool OpenSession(DocumentSession& session, AppState& app, const std::string& path, bool firstSession,
                 std::string& message);

