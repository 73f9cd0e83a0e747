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

// Reads again the pages that changed; every page when changes says so.
StoreResult ReadChangedPages(PageReadView& view, const PageChanges& changes, PageIndex& index) {
  std::string scratch;
  if (changes.everyPage) {
    index.pages.clear();
    return view.VisitPages([&](std::string_view id, std::string_view body) {
      if (IsPageIdShape(id)) index.pages[std::string(id)] = IndexPage(body, index.withText, scratch);
    });
  }
  std::string body;
  for (const std::string& id : changes.pages) {
    const StoreResult read = view.ReadPage(id, body);
    if (read == StoreResult::NotFound) index.pages.erase(id);
    else if (read == StoreResult::Ok) index.pages[id] = IndexPage(body, index.withText, scratch);
    else return read;
  }
  return StoreResult::Ok;
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

StoreResult RefreshPageIndex(PageReadView& view, PageIndex& index, bool withText) {
  PageChanges changes;
  StoreResult result = view.ChangesSince(index.mark, changes);
  // The first text search reads every page for its text.
  if (withText && !index.withText) changes.everyPage = true;
  index.withText = index.withText || withText;
  if (result == StoreResult::Ok) result = ReadChangedPages(view, changes, index);
  if (result != StoreResult::Ok) index = PageIndex{};
  return result;
}
