#pragma once
// What the pages of an open document say, kept between searches: each page's folded text and the
// pages it links to. Each search brings it up to date in short reads of its own, reading again
// only the pages written since the last one, so a search costs a pass over text already
// extracted, and no write waits long for it.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/page_read_view.h"

struct IndexedPage {
  std::string text;                // the text a reader sees, folded for matching; kept once asked for
  std::vector<std::string> links;  // the target of each link to a page, once per link
};

// Read and written only by the search that has its document's turn (SearchQueue).
struct PageIndex {
  PageMark mark;
  // Texts are kept from the first text search on. Until then the index holds only links, which
  // every page open asks for and which take little memory.
  bool withText = false;
  std::unordered_map<std::string, IndexedPage> pages;  // by page id; only pages with a body
};

// Brings index up to date, with texts from now on when withText, and reads the tree as it was
// when the index was last brought level with the file. After a failure the next refresh starts over.
Status RefreshPageIndex(DocumentFile& document, PageIndex& index, bool withText, std::string& tree);

// The page ids that an HTML body links to: each href="#ID" whose ID has a page id's shape.
std::vector<std::string> PageLinksOf(std::string_view body);
