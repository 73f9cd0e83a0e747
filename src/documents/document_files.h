#pragma once
// Creating, opening and copying documents as the file menu asks: each document opened gets a
// session and a browser window of its own.
#include <cstddef>
#include <string>

#include "util/status.h"
#include "util/messages.h"

struct OpenDocuments;
struct DocumentSession;


// Ok with the opened file's name, Ok and cancelled when the user closed the dialog, or a failure:
// OpenDocument's codes, AlreadyOpen, CannotCreate, CannotSave, NotFound for no such recent entry.
struct FileOutcome {
  Status status;
  bool cancelled = false;
  std::string name;
};

// The open dialog (starting in initialFolder when given), then the chosen document.
FileOutcome OpenDocumentFromDialog(OpenDocuments& documents, const std::string& initialFolder = "");
// The index-th entry of the recent list; NotFound when the list is shorter.
FileOutcome OpenRecentDocument(OpenDocuments& documents, std::size_t index);
// The save dialog, then a new empty document there.
FileOutcome CreateNewDocument(OpenDocuments& documents);
// The save dialog, then SaveDocumentAs.
FileOutcome SaveDocumentAsFromDialog(DocumentSession& session);

// Copies the session's document to target, opens the copy as a session of its own and opens a
// browser window on it. The source stays open. AlreadyOpen, CannotSave or OpenDocument's codes.
Status SaveDocumentAs(DocumentSession& session, const std::string& target);

// The path with ".fcard" appended, unless it already ends in it (letter case ignored).
std::string EnsureDocumentExtension(const std::string& path);
