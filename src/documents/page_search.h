#pragma once
// Whole-document search: folded matching, ranking and snippets.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "documents/page_index.h"
#include "store/document_file.h"

constexpr std::size_t kMaxSearchResults = 100;
constexpr std::size_t kMaxQueryChars = 200;

struct SearchHit {
  std::string id;
  std::string title;
  bool trashed = false;
  bool inTitle = false;
  std::size_t matches = 0;
  // The text around the first match in the body; match is empty when only the title matched.
  std::string before, match, after;
};

struct SearchRequest {
  std::string folded;      // folded query; used when linkTarget is empty
  std::string linkTarget;  // a page id: find the pages that link to it instead
};

// Brings the index up to date as a search does before it scans (texts too when withText), the
// titles of the pages the tree names included; the caller holds the document's search turn.
Status PrepareSearch(DocumentFile& document, PageIndex& index, bool withText);

// Searches every page named in the tree, after bringing the document's index up to date in short
// reads; the caller holds the document's search turn. Hits are ranked live before
// trashed, title matches first, then by number of matches; at most kMaxSearchResults are kept,
// total counts them all.
Status SearchPages(DocumentFile& document, PageIndex& index, const SearchRequest& request,
                        std::vector<SearchHit>& hits, std::size_t& total);

struct DocumentSession;

struct SearchOutcome {
  Status result;  // SearchReplaced when a newer search with the same turn key took this one's turn
  std::vector<SearchHit> hits;
  std::size_t total = 0;
};

// SearchPages on the session's document once the search has its turn: one search of a document
// runs at a time; turnKey names the window and the kind of search (SearchQueue).
SearchOutcome SearchDocument(DocumentSession& session, const SearchRequest& request, const std::string& turnKey);
