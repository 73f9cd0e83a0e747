#include "documents/page_index.h"

#include "util/page_text.h"
#include "util/text.h"

namespace {

// The text is extracted into scratch, which has room for a whole body, and then copied at its
// exact size: an index that lives for the whole session keeps no slack and leaves no holes.
IndexedPage IndexPage(std::string_view body, bool withText, std::string& scratch) {
  IndexedPage page{{}, PageLinksOf(body)};
  if (withText) {
    HtmlToText(body, true, scratch);
    page.text = scratch;
  }
  return page;
}

// Rounds of reading what changed while the last round read, before the last round reads all
// that is left in one read, however long: only writes that keep racing the reads come to that.
constexpr int kCatchUpRounds = 4;

void Keep(PageIndex& index, std::string_view id, std::string_view body, std::string& scratch) {
  if (IsPageIdShape(id)) index.pages[std::string(id)] = IndexPage(body, index.withText, scratch);
}

Status ReadChangedPages(DocumentFile& document, const std::vector<std::string>& ids, PageIndex& index) {
  std::string scratch;
  return ReadPagesBriefly(document, ids, [&](const std::string& id, Status found, std::string& body) {
    if (found == StatusCode::NotFound) index.pages.erase(id);
    else Keep(index, id, body, scratch);
  });
}

Status CatchUp(DocumentFile& document, PageIndex& index, std::string& tree) {
  for (int round = 0;; ++round) {
    PageReadView view;
    PageChanges changes;
    Status result = view.Open(document, index.mark, changes);
    if (result != StatusCode::Ok) return result;
    std::string scratch;
    if (round == kCatchUpRounds) {
      // Everything in this one read, so that the index and the tree agree.
      if (changes.everyPage) {
        index.pages.clear();
        result = view.VisitPages([&](std::string_view id, std::string_view body) { Keep(index, id, body, scratch); });
      }
      for (const std::string& id : changes.pages) {
        std::string body;
        if (result != StatusCode::Ok) break;
        result = view.ReadPage(id, body);
        if (result == StatusCode::NotFound) index.pages.erase(id);
        if (result == StatusCode::Ok) Keep(index, id, body, scratch);
        if (result == StatusCode::NotFound) result = StatusCode::Ok;
      }
      return result == StatusCode::Ok ? view.ReadTree(tree) : result;
    }
    if (!changes.everyPage && changes.pages.empty()) return view.ReadTree(tree);
    view.Close();
    // What is written from here on shows up in the next round's changes.
    if (changes.everyPage) {
      index.pages.clear();
      result = VisitEveryPageBriefly(document, [&](std::string_view id, std::string_view body) {
        Keep(index, id, body, scratch);
      });
    } else {
      result = ReadChangedPages(document, changes.pages, index);
    }
    if (result != StatusCode::Ok) return result;
  }
}

}  // namespace

std::vector<std::string> PageLinksOf(std::string_view body) {
  constexpr std::string_view kOpening = "href=\"#";
  constexpr std::size_t kIdLength = 36;
  std::vector<std::string> links;
  for (std::size_t at = body.find(kOpening); at != std::string_view::npos; at = body.find(kOpening, at + 1)) {
    const std::size_t start = at + kOpening.size();
    if (start + kIdLength >= body.size() || body[start + kIdLength] != '"') continue;
    const std::string_view id = body.substr(start, kIdLength);
    if (IsPageIdShape(id)) links.emplace_back(id);
  }
  return links;
}

Status RefreshPageIndex(DocumentFile& document, PageIndex& index, bool withText, std::string& tree) {
  tree.clear();
  // The first text search reads every page for its text.
  if (withText && !index.withText) index.mark = PageMark{};
  index.withText = index.withText || withText;
  const Status result = CatchUp(document, index, tree);
  if (result != StatusCode::Ok) index = PageIndex{};
  return result;
}
