#include "documents/page_history.h"

#include <algorithm>
#include <set>

#include "documents/backup_calendar.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "store/records.h"
#include "util/log.h"
#include "util/text.h"

namespace {

constexpr std::int64_t kDailyRevisionsFor = 30 * platform::kDayMilliseconds;
constexpr char kHistoryExtension[] = ".history";
constexpr std::string_view kImagePrefix = "/api/images/";
constexpr std::size_t kImageIdLength = 32;

// Keeps body as the page's newest revision under rule; true when done or not needed.
Status KeepRevision(PageHistory& history, const std::string& pageId, const std::string& body, RevisionRule rule,
                    std::int64_t now) {
  std::lock_guard<std::mutex> lock(history.mutex);
  if (history.path.empty()) return {};
  if (!platform::CreateFolderTree(history.folder)) return Status(StatusCode::Error, "cannot create " + history.folder);
  HistoryFile file;
  if (Status opened = OpenHistoryFile(history.path, true, file); !opened) return opened;
  if (Status begun = BeginHistoryWrite(file); !begun) return begun;
  // Any return before the commit closes the connection, which rolls the transaction back.
  std::vector<RevisionInfo> revisions;
  if (Status listed = ListRevisions(file, pageId, revisions); !listed) return listed;
  if (rule == RevisionRule::WhenDue && !revisions.empty() && now - revisions.front().time < kRevisionIntervalMs) {
    return {};
  }
  bool same = false;
  if (Status compared = NewestRevisionEquals(file, pageId, body, same); !compared) return compared;
  if (same) return {};  // a second copy would tell nothing new
  RevisionInfo revision{RandomHex(16), now, static_cast<std::int64_t>(body.size())};
  if (revision.id.empty()) return Status(StatusCode::Error, "no random identifier");
  if (Status inserted = InsertRevision(file, pageId, revision, body); !inserted) return inserted;
  revisions.insert(revisions.begin(), revision);
  const std::vector<std::string> thinned = RevisionsToThin(revisions, now);
  for (const auto& id : thinned) {
    if (Status deleted = DeleteRevision(file, pageId, id); !deleted) return deleted;
  }
  if (Status committed = CommitHistoryWrite(file); !committed) return committed;
  if (!thinned.empty()) ShrinkHistoryFile(file);
  return {};
}

// The page was saved either way; the user is told, and the log says why.
bool HistoryFailed(const Status& kept) {
  LogFailure("keeping a page's earlier version", kept);
  return !kept.ok();
}

// Opens an existing history file for reading: Missing when none was made yet.
Status OpenForReading(PageHistory& history, HistoryFile& file) {
  if (history.path.empty()) return StatusCode::NotFound;
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
  if (write.result == StatusCode::Ok && !replaced.empty() && replaced != body) {
    write.historyFailed = HistoryFailed(KeepRevision(history, pageId, replaced, rule, now));
  }
  return write;
}

PageWrite PurgePage(DocumentFile& document, PageHistory& history, const std::string& pageId, std::int64_t now) {
  PageWrite write;
  std::string deleted;
  write.result = DeletePage(document, pageId, &deleted);
  if (write.result == StatusCode::Ok && !deleted.empty()) {
    write.historyFailed = HistoryFailed(KeepRevision(history, pageId, deleted, RevisionRule::Always, now));
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

Status ListPageRevisions(PageHistory& history, const std::string& pageId, std::vector<RevisionInfo>& revisions) {
  revisions.clear();
  std::lock_guard<std::mutex> lock(history.mutex);
  HistoryFile file;
  const Status opened = OpenForReading(history, file);
  if (opened == StatusCode::NotFound) return {};
  return opened.ok() ? ListRevisions(file, pageId, revisions) : opened;
}

Status ReadPageRevision(PageHistory& history, const std::string& pageId, const std::string& revisionId,
                             std::string& body) {
  body.clear();
  std::lock_guard<std::mutex> lock(history.mutex);
  HistoryFile file;
  const Status opened = OpenForReading(history, file);
  if (!opened) return opened;
  return ReadRevision(file, pageId, revisionId, body);
}

Status ImagesInHistory(PageHistory& history, std::vector<std::string>& imageIds) {
  imageIds.clear();
  std::lock_guard<std::mutex> lock(history.mutex);
  HistoryFile file;
  const Status opened = OpenForReading(history, file);
  if (opened == StatusCode::NotFound) return {};
  if (!opened) return opened;
  std::set<std::string> found;
  const Status read = ForEachRevisionBody(file, [&found](std::string_view body) {
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
    if (age < platform::kDayMilliseconds) continue;
    const std::int32_t day = platform::LocalDayNumber(revision.time);
    // Newest first, so the first revision met in a day or week is its newest.
    const bool kept = age < kDailyRevisionsFor ? days.insert(day).second : weeks.insert(WeekOf(day)).second;
    if (!kept) thinned.push_back(revision.id);
  }
  return thinned;
}
