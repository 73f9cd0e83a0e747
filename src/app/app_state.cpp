#include "app/app_state.h"

#include "api/api_router.h"
#include "documents/backups.h"
#include "documents/page_history.h"
#include "documents/page_index_file.h"
#include "documents/recent_files.h"
#include "http/gate.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "store/document_file.h"
#include "store/legacy_import.h"
#include "store/store_files.h"
#include "util/messages.h"

namespace {


// Where the recent list lives: the --data folder when given, else the user's local program folder.
std::string ChooseSettingsFolder(const AppState& app) {
  if (!app.options.dataFolder.empty()) return app.dataFolder;
  const std::string local = platform::UserLocalDataFolder();
  if (local.empty()) return app.dataFolder;
  const std::string folder = platform::JoinPath(platform::JoinPath(local, "Calderwin"), "Ferncard");
  platform::CreateFolderTree(folder);  // a failure shows up later as a list that is never written
  return folder;
}

// Brings an older folder layout into the default document, once: only while that document is missing.
bool ImportOlderLayoutIfPresent(const AppState& app) {
  const std::string target = DefaultDocumentPath(app);
  if (platform::IsExistingFile(target)) return true;
  if (!platform::IsExistingFile(platform::JoinPath(app.dataFolder, "tree.json"))) return true;
  return ImportLegacyFolder(app.dataFolder, target).ok();
}

// The user's message of a document that did not open.
bool Opened(const Status& status, std::string& message) {
  if (!status) message = MessageOf(status.code());
  return status.ok();
}

}  // namespace

AppState& TheAppState() {
  // Never destroyed: connection threads may outlive the bounded wait of the shutdown.
  static AppState* const state = new AppState();
  return *state;
}

std::string DefaultDocumentsFolder() {
  const std::string documents = platform::UserDocumentsFolder();
  if (documents.empty()) return {};
  return platform::JoinPath(documents, "Ferncard");
}

std::string DefaultDocumentPath(const AppState& app) {
  return platform::JoinPath(app.dataFolder, std::string("Ferncard") + kDocumentExtension);
}

bool InitializeApplication(AppState& app, const StartupOptions& options, std::string& message) {
  app.options = options;
  app.dataFolder = options.dataFolder.empty() ? DefaultDocumentsFolder() : options.dataFolder;
  if (app.dataFolder.empty() || !platform::CreateFolderTree(app.dataFolder)) {
    message = kDataFolderMessage;
    return false;
  }
  const std::string defaultPath = DefaultDocumentPath(app);
  OpenDocuments& documents = app.documents;
  documents.settings = SessionSettings{options.port, options.ticketFile, options.noBrowser};
  documents.recentPath = platform::JoinPath(ChooseSettingsFolder(app), "recent.txt");
  documents.defaultPath = defaultPath;
  documents.backupsFolder = platform::JoinPath(app.dataFolder, kBackupsFolderName);
  documents.historyFolder = platform::JoinPath(app.dataFolder, kHistoryFolderName);
  documents.indexFolder = platform::JoinPath(app.dataFolder, kIndexFolderName);
  documents.handlerFor = SessionHandler;
  // No backup of this data folder is under way yet: the instance lock keeps other starts out.
  RemoveInterruptedBackups(documents.backupsFolder);

  // The import runs even when a document path was given, so the earlier notes are never stranded.
  if (!ImportOlderLayoutIfPresent(app)) {
    message = kImportMessage;
    return false;
  }

  if (!options.documentPath.empty()) return Opened(OpenDocument(documents, options.documentPath), message);

  // Only the first recent entry is tried; one that no longer opens is skipped and stays listed, and
  // so is a backup that an earlier version listed.
  const std::vector<std::string> recent = ReadRecentList(documents);
  if (!recent.empty() && platform::IsExistingFile(recent.front()) && !IsInBackupsFolder(documents, recent.front())) {
    if (OpenDocument(documents, recent.front())) return true;
  }

  if (!platform::IsExistingFile(defaultPath) && !CreateStoreFile(defaultPath)) {
    message = kCreateDocumentMessage;
    return false;
  }
  return Opened(OpenDocument(documents, defaultPath), message);
}

ListenerHandlers SessionHandler(DocumentSession& session) {
  return GuardedHandler(
      session.gate, [&session](const HttpRequest& request) { return AnswerAdmittedRequest(session, request); },
      [&session](const HttpRequest& head, std::size_t bodyLength) { return IsHeavyRequest(session, head, bodyLength); });
}
