#pragma once
// Earlier versions of an open document's pages: the body a write or a purge replaces is kept in
// the document's history file in the data folder, at most one every ten minutes unless asked,
// and thinned as it ages like the backups are. A history that cannot be written never stops a
// page from being saved.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "store/document_file.h"
#include "store/history_file.h"
#include "util/messages.h"

struct PageHistory {
  std::string folder;  // where the history files go; empty when none is kept
  std::string path;    // this document's history file
  std::mutex mutex;    // one change of the history file at a time
};

inline constexpr char kHistoryFolderName[] = "history";
inline constexpr std::int64_t kRevisionIntervalMs = 10 * 60 * 1000;

// Points history at the history file of the document at documentPath inside folder (the
// document's name and path hash, as its backups are named, then ".history").
void AttachPageHistory(PageHistory& history, const std::string& folder, const std::string& documentPath);

// WhenDue keeps the replaced body when the page has no revision or its newest is at least ten
// minutes old at now; Always keeps it whatever the age.
enum class RevisionRule { WhenDue, Always };

struct PageWrite {
  Status result = StatusCode::Error;
  std::string newTag;
  bool historyFailed = false;  // saved, but the replaced body could not be kept
};

// A compare-and-write of a page body that keeps the replaced body as a revision by rule, at now
// (milliseconds since 1970). A refused write, a write of the same bytes and an empty replaced
// body keep nothing.
PageWrite WritePage(DocumentFile& document, PageHistory& history, const std::string& pageId, const std::string& body,
                    const std::string& expectedTag, RevisionRule rule, std::int64_t now);

// Deletes a page for good, keeping its last body as a revision.
PageWrite PurgePage(DocumentFile& document, PageHistory& history, const std::string& pageId, std::int64_t now);

// The same, now.
PageWrite WritePage(DocumentFile& document, PageHistory& history, const std::string& pageId, const std::string& body,
                    const std::string& expectedTag, RevisionRule rule);
PageWrite PurgePage(DocumentFile& document, PageHistory& history, const std::string& pageId);

// The page's revisions, newest first; none when it has none or no history file exists yet.
Status ListPageRevisions(PageHistory& history, const std::string& pageId, std::vector<RevisionInfo>& revisions);

// Ok, NotFound or Error.
Status ReadPageRevision(PageHistory& history, const std::string& pageId, const std::string& revisionId,
                             std::string& body);

// The images that kept bodies show: each id after "/api/images/", sorted, once each.
Status ImagesInHistory(PageHistory& history, std::vector<std::string>& imageIds);

// Which of a page's revisions (newest first) go at now: all of the last day stay, then the
// newest of each local day for 30 days, then the newest of each calendar week.
std::vector<std::string> RevisionsToThin(const std::vector<RevisionInfo>& newestFirst, std::int64_t now);
