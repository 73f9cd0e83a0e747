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

#include "documents/session.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "store/store_files.h"
#include "util/text.h"

namespace {

constexpr std::size_t kDailyCopies = 7;
constexpr std::size_t kWeeklyCopies = 4;
constexpr std::size_t kHashLength = 8;
constexpr std::size_t kMaxBaseBytes = 80;  // keeps the backup's name within every file system's limit
constexpr std::size_t kHeaderBytes = 100;  // the database header, with its change counter
constexpr std::uint64_t kFirstCheckDelayMs = 1500;  // the new window loads first
constexpr std::uint64_t kCheckIntervalMs = platform::kDayMilliseconds;

// Days since 1970-01-01 and back, for the proleptic Gregorian calendar.
std::int32_t DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int32_t>(dayOfEra) - 719468;
}

std::string CivilDate(std::int32_t days) {
  days += 719468;
  const int era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  const unsigned month = shifted < 10 ? shifted + 3 : shifted - 9;
  const int year = static_cast<int>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, month, day);
  return text;
}

// Calendar weeks from Monday: 1970-01-01 was a Thursday.
std::int32_t WeekOf(std::int32_t day) { return (day + 3 - ((day + 3) % 7 + 7) % 7) / 7; }

// The hash follows the system's comparison of paths: two spellings of one file share their backups,
// two files whose names differ only in letter case (on Linux) keep apart.
std::string PathHash(const std::string& documentPath) {
  return Sha256Hex(platform::PathComparisonKey(documentPath)).substr(0, kHashLength);
}

std::string BaseNameOf(const std::string& documentPath) {
  std::string base = platform::FileNameOf(documentPath);
  const std::size_t extension = sizeof kDocumentExtension - 1;
  if (base.size() > extension) {
    std::string tail = base.substr(base.size() - extension);
    for (char& c : tail) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (tail == kDocumentExtension) base.resize(base.size() - extension);
  }
  if (base.size() > kMaxBaseBytes) {
    std::size_t cut = kMaxBaseBytes;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    base.resize(cut);
  }
  return base;
}

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

enum class CheckState { Waiting, Running, Done, Failed };

struct ScheduledDocument {
  DocumentSession* session = nullptr;
  std::uint64_t dueMs = 0;  // monotonic
  CheckState state = CheckState::Waiting;
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
    due->state = CheckState::Running;
    ++due->attempt;
    DocumentSession& session = *due->session;
    lock.unlock();
    const std::int64_t now = platform::SystemMilliseconds();
    const BackupOutcome outcome =
        BackUpDocument(session.document, BackupsFolder(session.owner), now, platform::LocalDayNumber(now),
                       [&service](const std::string& path) { return IsOpenDocument(service, path); });
    lock.lock();
    due->state = outcome == BackupOutcome::Failed ? CheckState::Failed : CheckState::Done;
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

std::string DocumentFileStem(const std::string& documentPath) {
  return BaseNameOf(documentPath) + "-" + PathHash(documentPath);
}

std::string BackupName(const std::string& documentPath, std::int32_t day) {
  return DocumentFileStem(documentPath) + "-" + CivilDate(day) + kDocumentExtension;
}

std::optional<std::int32_t> BackupDayOf(const std::string& fileName, const std::string& documentPath) {
  // YYYY-MM-DD ".fcard" at the end, and the whole name the one this document's copy of that day has.
  const std::size_t dateLength = 10;
  const std::size_t extension = sizeof kDocumentExtension - 1;
  if (fileName.size() < dateLength + extension) return std::nullopt;
  const std::string date = fileName.substr(fileName.size() - extension - dateLength, dateLength);
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  char extra = 0;
  if (std::sscanf(date.c_str(), "%4d-%2u-%2u%c", &year, &month, &day, &extra) != 3) return std::nullopt;
  const std::int32_t days = DaysFromCivil(year, month, day);
  if (CivilDate(days) != date) return std::nullopt;  // no 2026-02-30, no signs or spaces
  // Compared as the folder compares its names, so that a copy made under another letter case of
  // the document's path (one file on Windows) stays this document's.
  if (!platform::SamePath(fileName, BackupName(documentPath, days))) return std::nullopt;
  return days;
}

std::vector<std::int32_t> BackupDaysToKeep(std::vector<std::int32_t> days) {
  std::sort(days.begin(), days.end(), std::greater<>());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  std::vector<std::int32_t> kept;
  std::size_t weeks = 0;
  for (std::size_t i = 0; i < days.size(); ++i) {
    if (i < kDailyCopies) {
      kept.push_back(days[i]);
    } else if (weeks < kWeeklyCopies && (weeks == 0 || WeekOf(kept.back()) != WeekOf(days[i]))) {
      // Newest first, so the first day met in a week is that week's newest.
      kept.push_back(days[i]);
      ++weeks;
    }
  }
  return kept;
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
      service.documents.back().state = CheckState::Failed;  // retried with the next document opened
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
      return ours(document) && document.state == CheckState::Running;
    });
  });
  service.documents.remove_if(ours);
}

BackupReport ReadBackupReport(const DocumentSession& session) {
  BackupService& service = Service();
  std::lock_guard<std::mutex> lock(service.mutex);
  BackupReport report;
  report.state = "none";
  for (const auto& document : service.documents) {
    if (document.session != &session || document.dueMs == kNever) continue;
    static constexpr const char* kStates[] = {"waiting", "running", "done", "failed"};
    report.state = kStates[static_cast<int>(document.state)];
    report.attempt = document.attempt;
    if (document.state == CheckState::Failed) report.message = kBackupFailedMessage;
  }
  return report;
}
