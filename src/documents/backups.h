#pragma once
// Daily backups of every open document in the data folder's "backups" folder, made on a thread of
// their own so that opening and editing never wait for them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "documents/backup_calendar.h"
#include "store/document_file.h"
#include "util/messages.h"

struct OpenDocuments;
struct DocumentSession;

inline constexpr char kBackupsFolderName[] = "backups";

std::string BackupsFolder(const OpenDocuments& documents);

// True for a file inside the backups folder, however its path is spelled: such a document opens
// read-only, is never backed up itself nor listed as recent.
bool IsInBackupsFolder(const OpenDocuments& documents, const std::string& path);

// Removes the temporary files that copies cut short (by a kill, say) left in the folder, of every
// document. Called at start, before any backup of this process can be under way.
void RemoveInterruptedBackups(const std::string& folder);
enum class BackupOutcome { Made, NotNeeded, Failed };

// One check of one document at the wall-clock time now (milliseconds since 1970, UTC) on the local
// day today, both given so that tests can run through weeks in moments: a verified copy when
// the newest backup is a day old or more and the document changed since, then the old ones go.
// Temporary files of an earlier, interrupted backup are removed first. isOpen protects backups
// that are open as documents from being deleted or replaced.
BackupOutcome BackUpDocument(DocumentFile& document, const std::string& folder, std::int64_t now,
                             std::int32_t today, const std::function<bool(const std::string&)>& isOpen);

// Asks for a check of a newly opened session's document soon, and every 24 hours after.
// Read-only documents (backups) are never checked. The caller may hold OpenDocuments.mutex.
void ScheduleBackups(DocumentSession& session);

// Ends the checks of a session that is going away; waits for one that is running.
void ForgetBackups(const DocumentSession& session);

// None: the document is never checked (a backup itself); Waiting for its check, Running, or the
// last check Done or Failed.
enum class BackupState { None, Waiting, Running, Done, Failed };

struct BackupReport {
  BackupState state = BackupState::None;
  std::uint32_t attempt = 0;  // checks started so far
  std::string message;        // the user's message of a failed check
};
BackupReport ReadBackupReport(const DocumentSession& session);
