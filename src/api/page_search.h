#pragma once
// Whole-document search: page text from HTML, folded matching, ranking and snippets.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/document_file.h"

constexpr std::size_t kMaxSearchResults = 100;
constexpr std::size_t kMaxQueryChars = 200;

// The text a reader sees in an HTML fragment: tags, comments and the content of script and style
// removed, character references decoded, each run of white space (no-break space included) one
// space, a space where a block ends. With fold, ASCII letters are lower-cased and full-width
// Latin letters and digits become their ASCII forms.
void HtmlToText(std::string_view html, bool fold, std::string& out);

// Plain text with white space collapsed and trimmed, then folded as above.
std::string FoldPlainText(std::string_view text);

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

// Searches every page named in the tree, in one consistent read. Hits are ranked live before
// trashed, title matches first, then by number of matches; at most kMaxSearchResults are kept,
// total counts them all.
StoreResult SearchPages(DocumentFile& document, const SearchRequest& request, std::vector<SearchHit>& hits,
                        std::size_t& total);
