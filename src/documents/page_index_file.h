#pragma once
// A document's search index kept beside it in the data folder between runs ("index/<stem>.index",
// named like its backups and history), so that the first search after a start need not extract
// every page's text again. Never trusted further than it can be checked: a file that is not whole
// or not this program's is ignored, and its pages are checked against the document as usual.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "documents/page_index.h"

inline constexpr char kIndexFolderName[] = "index";
inline constexpr char kIndexExtension[] = ".index";

// Where the index of the document at documentPath is kept: empty when folder is.
std::string PageIndexFilePath(const std::string& folder, const std::string& documentPath);

// Takes the texts kept in index.filePath, once per session and only into an index without texts.
// When the file was written for this very document file and the file's change counter is where
// it was then, only the pages this process wrote since are read again; otherwise every page is,
// and only those whose body hashes differently have their text extracted again.
void ReadPageIndexFile(const DocumentFile& document, PageIndex& index);

// Writes an index to its file on a thread of its own, one write at a time, through a temporary
// file renamed over the last one; it never delays a search. Waits for a write under way when it goes.
class PageIndexWriter {
 public:
  PageIndexWriter() = default;
  PageIndexWriter(const PageIndexWriter&) = delete;
  PageIndexWriter& operator=(const PageIndexWriter&) = delete;
  ~PageIndexWriter();

  // Called by the search holding the turn, after its answer is made: starts writing when the
  // index has texts that its file lacks (a few pages apart are left for later) and no write is
  // under way.
  void WriteSoon(const DocumentFile& document, PageIndex& index);

 private:
  std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> busy_{false};
};
