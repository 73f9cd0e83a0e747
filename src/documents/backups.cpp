#include "documents/backups.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "documents/backup_calendar.h"
#include "documents/session.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "store/store_files.h"
#include "util/text.h"

namespace {

constexpr std::size_t kHeaderBytes = 100;  // the database header, with its change counter
constexpr std::uint64_t kFirstCheckDelayMs = 1500;  // the new window loads first
constexpr std::uint64_t kCheckIntervalMs = platform::kDayMilliseconds;

std::string ParentOf(const std::string& path) {
  const std::size_t nameLength = platform::FileNameOf(path).size();
  return nameLength >= path.size() ? std::string() : path.substr(0, path.size() - nameLength - 1);
}

// A temporary file of this document's backups that an interrupted copy left behind.
bool IsLeftoverTemp(const std::string& name, const std::string& hash) {
  const std::string target = TargetOfTempName(name);
  return target.ends_with(kDocumentExtension) && target.find("-" + hash + "-") != std::string::npos;
}

// A temporary file of any backup, or its journal.
bool IsTempOfAnyBackup(const std::string& name) { return TargetOfTempName(name).ends_with(kDocumentExtension); }

// The database header holds the file change counter, which every committed write raises: equal
// headers mean that the document has not been written since the backup was copied from it.
bool ChangedSince(const std::string& documentPath, const std::string& backupPath) {
  std::string document;
  std::string backup;
  if (!platform::ReadFileStart(documentPath, kHeaderBytes, document) ||
      !platform::ReadFileStart(backupPath, kHeaderBytes, backup)) {
    return true;
  }
  return document.size() < kHeaderBytes || document != backup;
}

struct BackupFile {
  std::string name;
  std::int32_t day = 0;
  std::int64_t lastWriteMs = 0;
};

// ---- The backup thread ----

struct ScheduledDocument {
  DocumentSession* session = nullptr;
  std::uint64_t dueMs = 0;  // monotonic
  BackupState state = BackupState::Waiting;
  std::uint32_t attempt = 0;
};

struct BackupService {
  std::mutex mutex;  // guards everything below; never held while a backup is made
  std::condition_variable wake;
  std::condition_variable checkEnded;
  std::list<ScheduledDocument> documents;
  bool threadStarted = false;
};

// Never destroyed: its thread may still be copying when the process ends; a temporary file left
// then is removed by the next check of that document.
BackupService& Service() {
  static BackupService* service = new BackupService();
  return *service;
}

constexpr std::uint64_t kNever = UINT64_MAX;

// Every session is listed until it goes, so the list answers which files are open without the
// application's lock.
bool IsOpenDocument(BackupService& service, const std::string& path) {
  std::lock_guard<std::mutex> lock(service.mutex);
  return std::any_of(service.documents.begin(), service.documents.end(), [&path](const ScheduledDocument& document) {
    const std::string& open = document.session->document.path;
    return platform::SamePath(open, path) || platform::SameExistingFile(open, path);
  });
}

void RunChecks(BackupService& service) {
  std::unique_lock<std::mutex> lock(service.mutex);
  for (;;) {
    const std::uint64_t nowMs = platform::MonotonicMilliseconds();
    ScheduledDocument* due = nullptr;
    std::uint64_t earliest = kNever;
    for (auto& document : service.documents) {
      if (document.dueMs <= nowMs) {
        due = &document;
        break;
      }
      earliest = std::min(earliest, document.dueMs);
    }
    if (due == nullptr) {
      if (earliest == kNever) {
        service.wake.wait(lock);
      } else {
        service.wake.wait_for(lock, std::chrono::milliseconds(earliest - nowMs));
      }
      continue;
    }
    due->state = BackupState::Running;
    ++due->attempt;
    DocumentSession& session = *due->session;
    lock.unlock();
    const std::int64_t now = platform::SystemMilliseconds();
    const BackupOutcome outcome =
        BackUpDocument(session.document, BackupsFolder(session.owner), now, platform::LocalDayNumber(now),
                       [&service](const std::string& path) { return IsOpenDocument(service, path); });
    lock.lock();
    due->state = outcome == BackupOutcome::Failed ? BackupState::Failed : BackupState::Done;
    due->dueMs = platform::MonotonicMilliseconds() + kCheckIntervalMs;
    service.checkEnded.notify_all();
  }
}

}  // namespace

std::string BackupsFolder(const OpenDocuments& documents) { return documents.backupsFolder; }

bool IsInBackupsFolder(const OpenDocuments& documents, const std::string& path) {
  // The folder that holds the file itself, whatever the spelling: "./", "//", "..", a linked
  // folder or a link to the file; compared by identity, not by name.
  const std::string canonical = platform::CanonicalPath(path);
  if (canonical.empty()) return false;
  return platform::SameExistingFile(ParentOf(canonical), BackupsFolder(documents));
}

void RemoveInterruptedBackups(const std::string& folder) {
  std::vector<platform::FolderEntry> entries;
  if (platform::ListFolder(folder, entries) != platform::ListResult::Ok) return;
  for (const auto& entry : entries) {
    if (!entry.isFolder && IsTempOfAnyBackup(entry.name)) platform::DeleteFile(platform::JoinPath(folder, entry.name));
  }
}

BackupOutcome BackUpDocument(DocumentFile& document, const std::string& folder, std::int64_t now,
                             std::int32_t today, const std::function<bool(const std::string&)>& isOpen) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::CreateFolderTree(folder) || platform::ListFolder(folder, entries) != platform::ListResult::Ok) {
    return BackupOutcome::Failed;
  }
  const std::string hash = PathHash(document.path);
  std::vector<BackupFile> backups;
  for (const auto& entry : entries) {
    if (entry.isFolder) continue;
    if (IsLeftoverTemp(entry.name, hash)) {
      DiscardTempFile(platform::JoinPath(folder, entry.name));
    } else if (const auto day = BackupDayOf(entry.name, document.path)) {
      backups.push_back({entry.name, *day, entry.lastWriteMs});
    }
  }
  std::sort(backups.begin(), backups.end(), [](const auto& a, const auto& b) { return a.day > b.day; });

  BackupOutcome outcome = BackupOutcome::NotNeeded;
  const bool due = backups.empty() || (now - backups.front().lastWriteMs >= platform::kDayMilliseconds &&
                                       ChangedSince(document.path, platform::JoinPath(folder, backups.front().name)));
  const std::string target = platform::JoinPath(folder, BackupName(document.path, today));
  if (due && !isOpen(target)) {
    if (!CopyStoreFile(document, target)) return BackupOutcome::Failed;
    // The copy may carry the document's own time; the backup's time says when it was taken.
    platform::SetLastWriteTime(target, now);
    std::erase_if(backups, [today](const auto& backup) { return backup.day == today; });
    backups.push_back({BackupName(document.path, today), today, now});
    outcome = BackupOutcome::Made;
  }
  // "Done" promises a copy of this very document.
  if (backups.empty()) return BackupOutcome::Failed;

  std::vector<std::int32_t> days;
  for (const auto& backup : backups) days.push_back(backup.day);
  const std::vector<std::int32_t> kept = BackupDaysToKeep(days);
  for (const auto& backup : backups) {
    if (std::find(kept.begin(), kept.end(), backup.day) != kept.end()) continue;
    const std::string path = platform::JoinPath(folder, backup.name);
    if (!isOpen(path)) platform::DeleteFile(path);
  }
  return outcome;
}

void ScheduleBackups(DocumentSession& session) {
  // A backup opened as a document (read-only) is listed, so that it is not deleted, but never checked.
  const bool isBackup = session.document.readOnly;
  BackupService& service = Service();
  std::lock_guard<std::mutex> lock(service.mutex);
  for (const auto& document : service.documents) {
    if (document.session == &session) return;
  }
  service.documents.push_back({&session, isBackup ? kNever : platform::MonotonicMilliseconds() + kFirstCheckDelayMs});
  if (isBackup) return;
  if (!service.threadStarted) {
    try {
      std::thread(RunChecks, std::ref(service)).detach();
      service.threadStarted = true;
    } catch (const std::system_error&) {
      service.documents.back().state = BackupState::Failed;  // retried with the next document opened
    }
  }
  service.wake.notify_all();
}

void ForgetBackups(const DocumentSession& session) {
  BackupService& service = Service();
  std::unique_lock<std::mutex> lock(service.mutex);
  const auto ours = [&session](const ScheduledDocument& document) { return document.session == &session; };
  service.checkEnded.wait(lock, [&] {
    return std::none_of(service.documents.begin(), service.documents.end(), [&](const ScheduledDocument& document) {
      return ours(document) && document.state == BackupState::Running;
    });
  });
  service.documents.remove_if(ours);
}

BackupReport ReadBackupReport(const DocumentSession& session) {
  BackupService& service = Service();
  std::lock_guard<std::mutex> lock(service.mutex);
  BackupReport report;
  for (const auto& document : service.documents) {
    if (document.session != &session || document.dueMs == kNever) continue;
    report.state = document.state;
    report.attempt = document.attempt;
    if (document.state == BackupState::Failed) report.message = kBackupFailedMessage;
  }
  return report;
}
