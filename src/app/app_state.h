#pragma once
// The single application state: options, folders, open sessions and the current one.
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "app/options.h"

struct DocumentSession;

struct AppState {
  StartupOptions options;
  std::string dataFolder;  // written once by InitializeApplication
  std::string recentPath;  // written once by InitializeApplication
  std::mutex mutex;        // guards sessions, current and the recent-files file
  std::list<std::unique_ptr<DocumentSession>> sessions;
  DocumentSession* current = nullptr;
};

// The process-wide state; it lives until the process ends.
AppState& TheAppState();

bool InitializeApplication(AppState& app, const StartupOptions& options, std::string& message);
std::string DefaultDocumentsFolder();
std::string DefaultDocumentPath(const AppState& app);

// Stops the listener of every open session, in the order of opening, under AppState.mutex.
// Sessions and the state itself stay alive: connection threads may still be using them.
void ShutdownSessions(AppState& app);
