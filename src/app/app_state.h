#pragma once
// The single application state: options, the data folder and the open documents.
#include <string>

#include "app/options.h"
#include "documents/session.h"

struct AppState {
  StartupOptions options;
  std::string dataFolder;  // written once by InitializeApplication
  OpenDocuments documents;
};

// The process-wide state; it lives until the process ends.
AppState& TheAppState();

bool InitializeApplication(AppState& app, const StartupOptions& options, std::string& message);
std::string DefaultDocumentsFolder();
std::string DefaultDocumentPath(const AppState& app);

// Every request to a session's port passes the session's gate, then the API or the web files.
ListenerHandlers SessionHandler(DocumentSession& session);
