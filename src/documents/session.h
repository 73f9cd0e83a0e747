#pragma once
// The open documents: one session per document, each with its file, its gate's keys and its
// listener on its own port. The list of sessions, the current one and the recent files have one
// owner, OpenDocuments.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "documents/page_history.h"
#include "documents/page_index.h"
#include "documents/page_index_file.h"
#include "documents/search_queue.h"
#include "http/gate.h"
#include "http/listener.h"
#include "store/document_file.h"
#include "util/status.h"

struct DocumentSession;

// What the command line says about every session.
struct SessionSettings {
  std::int32_t port = 0;   // the first session's port; 0 means the automatic range
  std::string ticketFile;  // each launch address is written here too; empty for none
  bool noBrowser = false;  // launch addresses are not opened in a browser
};

// Makes the handler of a session's listener; the program wires its gate and routes in here.
using SessionHandlerFactory = std::function<ListenerHandlers(DocumentSession&)>;

struct OpenDocuments {
  // Written once before the first session opens.
  SessionSettings settings;
  std::string recentPath;   // the recent-files list
  std::string defaultPath;  // the data folder's own document
  std::string backupsFolder;  // where the daily backups go
  std::string historyFolder;  // where the pages' earlier versions go; empty: none are kept
  std::string indexFolder;    // where the search indexes are kept between runs; empty: not kept
  SessionHandlerFactory handlerFor;

  std::mutex mutex;  // guards sessions, current and the recent-files file
  std::list<std::unique_ptr<DocumentSession>> sessions;
  DocumentSession* current = nullptr;
};

struct DocumentSession {
  OpenDocuments& owner;
  DocumentFile document;
  PageIndex pageIndex;    // for search; guarded by the search turn
  SearchQueue searches;  // whose turn it is to search
  PageIndexKeeper indexFile;  // reads and writes pageIndex's file; after what it uses, to go first
  PageHistory history;
  GateKeys gate;
  HttpListener listener;  // last: stopped before the rest goes

  explicit DocumentSession(OpenDocuments& documents) : owner(documents) {}
  ~DocumentSession();  // its backups are no longer checked
  DocumentSession(const DocumentSession&) = delete;
  DocumentSession& operator=(const DocumentSession&) = delete;
};

// Opens (or reuses) the document at path, makes it current and puts it at the top of the
// recent list; opened, when given, receives its session. ValidateDocumentFile's codes, or
// NoSession when it cannot be served. Takes OpenDocuments.mutex.
Status OpenDocument(OpenDocuments& documents, const std::string& path, DocumentSession** opened = nullptr);

// The caller holds OpenDocuments.mutex.
DocumentSession* FindOpenSession(OpenDocuments& documents, const std::string& path);

// FindOpenSession under OpenDocuments.mutex: whether a session has the document at path open.
bool IsDocumentOpen(OpenDocuments& documents, const std::string& path);

// Stops the listener of every open session, in the order of opening, under OpenDocuments.mutex.
// Sessions stay alive: connection threads may still be using them.
void StopSessions(OpenDocuments& documents);

