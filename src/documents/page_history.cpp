#include "documents/page_history.h"

#include <algorithm>
#include <set>

#include "documents/backups.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "store/records.h"
#include "util/text.h"

namespace {

constexpr std::int64_t kDayMs = 86400000;
constexpr std::int64_t kDailyRevisionsFor = 30 * kDayMs;
constexpr char kHistoryExtension[] = ".history";
constexpr std::string_view kImagePrefix = "/api/images/";
constexpr std::size_t kImageIdLength = 32;

// Calendar weeks from Monday: 1970-01-01 was a Thursday.
std::int32_t WeekOf(std::int32_t day) { return (day + 3 - ((day + 3) % 7 + 7) % 7) / 7; }

// Keeps body as the page's newest revision under rule; true when done or not needed.
bool KeepRevision(PageHistory& history, const std::string& pageId, const std::string& body, RevisionRule rule,
                  std::int64_t now) {
  std::lock_guard<std::mutex> lock(history.mutex);
  if (history.path.empty()) return true;
  HistoryFile file;
  if (!platform::CreateFolderTree(history.folder) ||
      OpenHistoryFile(history.path, true, file) != HistoryOpenResult::Ok || !BeginHistoryWrite(file)) {
    return false;
  }
  // Any return before the commit closes the connection, which rolls the transaction back.
  std::vector<RevisionInfo> revisions;
  if (!ListRevisions(file, pageId, revisions)) return false;
  if (rule == RevisionRule::WhenDue && !revisions.empty() && now - revisions.front().time < kRevisionIntervalMs) {
    return true;
  }
  bool same = false;
  if (!NewestRevisionEquals(file, pageId, body, same)) return false;
  if (same) return true;  // a second copy would tell nothing new
  RevisionInfo revision{RandomHex(16), now, static_cast<std::int64_t>(body.size())};
  if (revision.id.empty() || !InsertRevision(file, pageId, revision, body)) return false;
  revisions.insert(revisions.begin(), revision);
  const std::vector<std::string> thinned = RevisionsToThin(revisions, now);
  for (const auto& id : thinned) {
    if (!DeleteRevision(file, pageId, id)) return false;
  }
  if (!CommitHistoryWrite(file)) return false;
  if (!thinned.empty()) ShrinkHistoryFile(file);
  return true;
}

// Opens an existing history file for reading: Missing when none was made yet.
HistoryOpenResult OpenForReading(PageHistory& history, HistoryFile& file) {
  if (history.path.empty()) return HistoryOpenResult::Missing;
  return OpenHistoryFile(history.path, false, file);
}

}  // namespace

void AttachPageHistory(PageHistory& history, const std::string& folder, const std::string& documentPath) {
  std::lock_guard<std::mutex> lock(history.mutex);
  history.folder = folder;
  history.path = folder.empty() ? std::string()
                                : platform::JoinPath(folder, DocumentFileStem(documentPath) + kHistoryExtension);
}

PageWrite WritePage(DocumentFile& document, PageHistory& history, const std::string& pageId, const std::string& body,
                    const std::string& expectedTag, RevisionRule rule, std::int64_t now) {
  PageWrite write;
  std::string replaced;
  write.result = PutPage(document, pageId, body, expectedTag, write.newTag, &replaced);
  if (write.result == StoreResult::Ok && !replaced.empty() && replaced != body) {
    write.historyFailed = !KeepRevision(history, pageId, replaced, rule, now);
  }
  return write;
}

PageWrite PurgePage(DocumentFile& document, PageHistory& history, const std::string& pageId, std::int64_t now) {
  PageWrite write;
  std::string deleted;
  write.result = DeletePage(document, pageId, &deleted);
  if (write.result == StoreResult::Ok && !deleted.empty()) {
    write.historyFailed = !KeepRevision(history, pageId, deleted, RevisionRule::Always, now);
  }
  return write;
}

PageWrite WritePage(DocumentFile& document, PageHistory& history, const std::string& pageId, const std::string& body,
                    const std::string& expectedTag, RevisionRule rule) {
  return WritePage(document, history, pageId, body, expectedTag, rule, platform::SystemMilliseconds());
}

PageWrite PurgePage(DocumentFile& document, PageHistory& history, const std::string& pageId) {
  return PurgePage(document, history, pageId, platform::SystemMilliseconds());
}

bool ListPageRevisions(PageHistory& history, const std::string& pageId, std::vector<RevisionInfo>& revisions) {
  revisions.clear();
  std::lock_guard<std::mutex> lock(history.mutex);
  HistoryFile file;
  const HistoryOpenResult opened = OpenForReading(history, file);
  if (opened == HistoryOpenResult::Missing) return true;
  return opened == HistoryOpenResult::Ok && ListRevisions(file, pageId, revisions);
}

StoreResult ReadPageRevision(PageHistory& history, const std::string& pageId, const std::string& revisionId,
                             std::string& body) {
  body.clear();
  std::lock_guard<std::mutex> lock(history.mutex);
  HistoryFile file;
  const HistoryOpenResult opened = OpenForReading(history, file);
  if (opened == HistoryOpenResult::Missing) return StoreResult::NotFound;
  if (opened != HistoryOpenResult::Ok) return StoreResult::Error;
  return ReadRevision(file, pageId, revisionId, body);
}

bool ImagesInHistory(PageHistory& history, std::vector<std::string>& imageIds) {
  imageIds.clear();
  std::lock_guard<std::mutex> lock(history.mutex);
  HistoryFile file;
  const HistoryOpenResult opened = OpenForReading(history, file);
  if (opened == HistoryOpenResult::Missing) return true;
  if (opened != HistoryOpenResult::Ok) return false;
  std::set<std::string> found;
  const bool read = ForEachRevisionBody(file, [&found](std::string_view body) {
    for (std::size_t at = body.find(kImagePrefix); at != std::string_view::npos; at = body.find(kImagePrefix, at + 1)) {
      const std::string_view id = body.substr(at + kImagePrefix.size(), kImageIdLength);
      if (IsLowerHexOfLength(id, kImageIdLength)) found.emplace(id);
    }
  });
  imageIds.assign(found.begin(), found.end());
  return read;
}

std::vector<std::string> RevisionsToThin(const std::vector<RevisionInfo>& newestFirst, std::int64_t now) {
  std::vector<std::string> thinned;
  std::set<std::int32_t> days;
  std::set<std::int32_t> weeks;
  for (const auto& revision : newestFirst) {
    const std::int64_t age = now - revision.time;
    if (age < kDayMs) continue;
    const std::int32_t day = platform::LocalDayNumber(revision.time);
    // Newest first, so the first revision met in a day or week is its newest.
    const bool kept = age < kDailyRevisionsFor ? days.insert(day).second : weeks.insert(WeekOf(day)).second;
    if (!kept) thinned.push_back(revision.id);
  }
  return thinned;
}
