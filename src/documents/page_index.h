#pragma once
// What the pages of an open document say, kept between searches: each page's folded text and the
// pages it links to. Each search brings it up to date in short reads of its own, reading again
// only the pages written since the last one, so a search costs a pass over text already
// extracted, and no write waits long for it. The texts can be kept beside the document in the
// data folder (documents/page_index_file.h), so that the first search after a start need not
// extract them all again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/page_read_view.h"
#include "util/byte_buffer.h"

struct IndexedPage {
  std::size_t at = 0;    // its folded text is PageIndex::text[at, at + size)
  std::size_t size = 0;
  std::uint64_t hash = 0;          // ContentHash of the body it was read from
  std::vector<std::string> links;  // the target of each link to a page, once per link
};

// A page named in the tree, as the search shows it; parsed again only when the tree changed.
struct TitledPage {
  std::string id, title, foldedTitle;
  bool trashed = false;
  const IndexedPage* page = nullptr;  // its entry in PageIndex::pages as of titlesVersion; none without a body
};

// Read and written only by the search that has its document's turn (SearchQueue).
struct PageIndex {
  PageMark mark;
  // Texts are kept from the first text search on. Until then the index holds only links, which
  // every page open asks for and which take little memory.
  bool withText = false;
  std::unordered_map<std::string, IndexedPage> pages;  // by page id; only pages with a body
  // Every page's folded text, one after another, so that a search scans one buffer. Shared only
  // with a copy of the index being written to its file: it is copied before it changes then.
  std::shared_ptr<ByteBuffer> text = std::make_shared<ByteBuffer>();
  std::size_t unused = 0;    // bytes of text that no page holds any more
  std::uint64_t version = 0;  // moves whenever a page's text or links change

  std::string tree;                // the tree document as last read
  std::vector<TitledPage> titles;  // its pages
  std::uint64_t titlesVersion = 0;  // the version their entries were looked up at

  std::string fileFolder, filePath;  // where the texts are kept between runs; empty: not kept
  bool fileRead = false;    // the file was looked at (whatever it held)
  std::uint64_t savedVersion = 0;  // the version the file holds; 0: none
};

inline std::string_view TextOf(const PageIndex& index, const IndexedPage& page) {
  return index.text->view().substr(page.at, page.size);
}

// Brings index up to date, with texts from now on when withText, and reads the tree as it was
// when the index was last brought level with the file into index.tree. After a failure the next
// refresh starts over.
Status RefreshPageIndex(DocumentFile& document, PageIndex& index, bool withText);

// The page ids that an HTML body links to: each href="#ID" whose ID has a page id's shape.
std::vector<std::string> PageLinksOf(std::string_view body);
