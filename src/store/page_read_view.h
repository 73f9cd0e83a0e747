#pragma once
// One consistent read of a document's tree and pages for whole-document work such as search,
// and which pages may have changed since an earlier read, so that what a reader derived from
// them can be kept up to date without reading every page again.
#include <cstdint>
#include <functional>
#include <mutex>
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

// Holds the document's lock and one read transaction from Open until it goes away, so no write
// lands between two of its reads.
class PageReadView {
 public:
  StoreResult Open(DocumentFile& document);

  // The tree document; empty when none is stored.
  StoreResult ReadTree(std::string& tree);
  // One page's body: NotFound when it has none.
  StoreResult ReadPage(const std::string& id, std::string& body);
  StoreResult VisitPages(const PageVisitor& visit);

  // What may have changed since mark, and moves mark to this read. Every page counts as changed
  // when the mark is new, a write of this process was in doubt, or another program changed the
  // file (its change counter moved other than by this process's commits).
  StoreResult ChangesSince(PageMark& mark, PageChanges& changes);

 private:
  DocumentFile* document_ = nullptr;
  std::unique_lock<std::mutex> lock_;
  ConnectionHandle connection_;
};
