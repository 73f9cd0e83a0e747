#pragma once
// One consistent read of a document's tree and pages for whole-document work such as search,
// and which pages may have changed since an earlier read, so that what a reader derived from
// them can be kept up to date without reading every page again.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/document_file.h"
#include "store/format.h"

// Where an earlier read left off. A default mark has seen nothing.
struct PageMark {
  bool taken = false;
  std::uint32_t fileCounter = 0;  // the file's change counter at that read
  std::uint64_t commits = 0;      // the document's write log at that read
};

// The pages that may differ from what was read at a mark.
struct PageChanges {
  bool everyPage = true;           // anything may have changed: read every page again
  std::vector<std::string> pages;  // otherwise only these, written by this process since
};

// Called once per stored page; the views live only for the call.
using PageVisitor = std::function<void(std::string_view id, std::string_view body)>;

// A read holds the file's shared lock, which a write must wait for before it commits: each read
// of whole-document work is kept to about this long, and bodies are worked on between reads.
constexpr std::chrono::milliseconds kReadSlice{10};

// One consistent read of the document's tree and pages: a read transaction of its own, from
// Open until Close or until it goes away. The document's lock is held only while the read
// starts, so that this process's other operations never wait for the read, and its writes wait
// only for the read's shared file lock.
class PageReadView {
 public:
  Status Open(DocumentFile& document);
  // Also tells what may have changed since mark, and moves mark to this read. Every page counts
  // as changed when the mark is new, a write of this process was in doubt, or another program
  // changed the file (its change counter moved other than by this process's commits).
  Status Open(DocumentFile& document, PageMark& mark, PageChanges& changes);
  void Close();

  // The tree document; empty when none is stored.
  Status ReadTree(std::string& tree);
  // One page's body: NotFound when it has none.
  Status ReadPage(const std::string& id, std::string& body);
  Status VisitPages(const PageVisitor& visit);

 private:
  Status Start(DocumentFile& document, PageMark* mark, PageChanges* changes);
  friend Status VisitEveryPageBriefly(DocumentFile& document, const PageVisitor& visit);

  ConnectionHandle connection_;
};

// Every page, in order of id, read in short reads of their own (each about kReadSlice); visit
// runs between reads, never while one is open. What is written meanwhile may or may not be seen.
Status VisitEveryPageBriefly(DocumentFile& document, const PageVisitor& visit);

// The given pages read the same way: visit gets each id with Ok and its body, or NotFound.
using PageTaker = std::function<void(const std::string& id, Status found, std::string& body)>;
Status ReadPagesBriefly(DocumentFile& document, const std::vector<std::string>& ids, const PageTaker& take);
