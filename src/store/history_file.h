#pragma once
// A document's history file: earlier bodies of its pages, kept in an SQLite database of its own
// beside the document (never in it), one row per revision.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"

struct RevisionInfo {
  std::string id;         // 32 lower-case hex characters
  std::int64_t time = 0;  // milliseconds since 1970 when the body was replaced
  std::int64_t size = 0;  // bytes of the body
};

// An open connection to one history file. Every operation below runs on it.
struct HistoryFile {
  ConnectionHandle connection;
};

// Opens the history file at path, creating it (and nothing else: the folder must exist) when
// create is set. NotFound when it does not exist and create is clear; Error when it cannot be
// opened or is not a history file.
Status OpenHistoryFile(const std::string& path, bool create, HistoryFile& file);

// A write transaction: taken before anything is read that decides the write.
Status BeginHistoryWrite(HistoryFile& file);
Status CommitHistoryWrite(HistoryFile& file);

// The page's revisions, newest first (ties by id, so the order is stable).
Status ListRevisions(HistoryFile& file, const std::string& pageId, std::vector<RevisionInfo>& revisions);

// Ok, NotFound (no such revision of this page) or Error.
Status ReadRevision(HistoryFile& file, const std::string& pageId, const std::string& revisionId,
                         std::string& body);

// Whether the page's newest revision holds exactly these bytes (false when it has none).
Status NewestRevisionEquals(HistoryFile& file, const std::string& pageId, const std::string& body, bool& equal);

Status InsertRevision(HistoryFile& file, const std::string& pageId, const RevisionInfo& revision,
                    const std::string& body);

Status DeleteRevision(HistoryFile& file, const std::string& pageId, const std::string& revisionId);

// Hands every free page back to the file system; called after revisions went.
void ShrinkHistoryFile(HistoryFile& file);

// Calls visit with every kept body of every page, one at a time.
Status ForEachRevisionBody(HistoryFile& file, const std::function<void(std::string_view)>& visit);
