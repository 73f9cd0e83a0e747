#pragma once
// A document's search index kept beside it in the data folder between runs ("index/<stem>.index",
// named like its backups and history), so that the first search after a start need not extract
// every page's text again. Never trusted further than it can be checked: a file that is not whole
// or not this program's is ignored, and its pages are checked against the document as usual.
#include <atomic>
#include <condition_variable>
#include <functional>
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

struct SearchQueue;

// Reads and writes an index's file on a thread of its own, one at a time and each with the
// document's search turn for as long as it uses the index; never while a search answers. Waits
// for the work under way when it goes.
class PageIndexKeeper {
 public:
  PageIndexKeeper() = default;
  PageIndexKeeper(const PageIndexKeeper&) = delete;
  PageIndexKeeper& operator=(const PageIndexKeeper&) = delete;
  ~PageIndexKeeper();

  // As the document starts to open, before its checks: ReadPageIndexFile, so that the first search
  // finds the texts taken already; then, once Opened, brings the index up to date as a search
  // would. The arguments outlive the keeper.
  void ReadSoon(DocumentFile& document, PageIndex& index, SearchQueue& searches);
  // The document passed its checks and is served. Until then, and when the keeper goes first,
  // nothing but the file is read.
  void Opened();

  // Called by the search holding the turn, after its answer is made: starts writing when the
  // index has texts that its file lacks (a few pages apart are left for later) and nothing else
  // is under way. The write goes through a temporary file renamed over the last one.
  void WriteSoon(const DocumentFile& document, PageIndex& index);

 private:
  // Runs work on the thread unless something else is under way; false then.
  bool Start(std::function<void()> work);
  // False when the keeper goes before the document is opened.
  bool WaitUntilOpened();

  std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> busy_{false};
  enum class Opening { Checking, Opened, Gone };
  std::mutex openedMutex_;
  std::condition_variable openedChanged_;
  Opening opened_ = Opening::Checking;
};
