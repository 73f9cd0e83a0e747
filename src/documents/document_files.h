#pragma once
// Creating, opening and copying documents as the file menu asks: each document opened gets a
// session and a browser window of its own.
#include <cstddef>
#include <string>

struct OpenDocuments;
struct DocumentSession;

inline constexpr char kNewDocumentName[] = "新しいメモ.fcard";
inline constexpr char kDocumentExtension[] = ".fcard";

inline constexpr char kFileAlreadyOpenMessage[] = "そのファイルは開いています。別の名前を指定してください。";
inline constexpr char kCannotCreateMessage[] = "ファイルを作成できません。場所の権限と空き容量をご確認ください。";
inline constexpr char kCannotSaveMessage[] = "ファイルを保存できません。場所の権限と空き容量をご確認ください。";

enum class FileResult { Opened, Cancelled, Failed, NotFound };

struct FileOutcome {
  FileResult result = FileResult::Failed;
  std::string name;     // of the opened file
  std::string message;  // the user's message of a failure
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
// browser window on it. The source stays open. False with a user message on failure.
bool SaveDocumentAs(DocumentSession& session, const std::string& target, std::string& message);

// The path with ".fcard" appended, unless it already ends in it (letter case ignored).
std::string EnsureDocumentExtension(const std::string& path);
