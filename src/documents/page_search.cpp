#include "documents/page_search.h"

#include <algorithm>
#include <unordered_map>

#include "documents/page_index_file.h"
#include "documents/search_queue.h"
#include "documents/session.h"
#include "store/page_read_view.h"
#include "util/json_reader.h"
#include "util/page_text.h"
#include "util/text.h"
#include "util/text_finder.h"

namespace {

constexpr std::size_t kSnippetBefore = 30;  // code points kept before the match
constexpr std::size_t kSnippetAfter = 60;   // and after it
constexpr std::size_t kSnippetLead = 90;    // text shown when the body has no match
constexpr const char* kEllipsis = "…";


// The pages the tree names, once each (the last entry of an id wins), with their titles and trash
// state; none for a tree that cannot be read.
std::vector<TitledPage> ReadTitles(const std::string& tree) {
  std::vector<TitledPage> titles;
  JsonValue document;
  if (!ParseJson(tree, document)) return titles;
  const JsonValue* pages = document.Find("pages");
  if (pages == nullptr || pages->kind != JsonValue::Kind::Array) return titles;
  std::unordered_map<std::string, std::size_t> slots;
  for (const JsonValue& entry : pages->items) {
    const JsonValue* id = entry.Find("id");
    if (id == nullptr || id->kind != JsonValue::Kind::String || !IsPageIdShape(id->text)) continue;
    const JsonValue* title = entry.Find("title");
    const JsonValue* deletedAt = entry.Find("deletedAt");
    const auto [slot, added] = slots.try_emplace(id->text, titles.size());
    if (added) titles.emplace_back().id = id->text;
    TitledPage& page = titles[slot->second];
    page.title = title != nullptr && title->kind == JsonValue::Kind::String ? title->text : std::string();
    page.foldedTitle = FoldPlainText(page.title);
    page.trashed = deletedAt != nullptr && deletedAt->kind != JsonValue::Kind::Null;
  }
  return titles;
}

// Start of the code point that holds byte i.
std::size_t CodePointStart(std::string_view text, std::size_t i) {
  while (i > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return i;
}

// Moves from byte i by count code points, backwards or forwards; stops at the ends.
std::size_t StepCodePoints(std::string_view text, std::size_t i, std::size_t count, bool backwards) {
  for (std::size_t n = 0; n < count; ++n) {
    if (backwards) {
      if (i == 0) break;
      i = CodePointStart(text, i - 1);
    } else {
      if (i >= text.size()) break;
      ++i;
      while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return i;
}

// Fills the snippet of a hit from its body: the unfolded text around the first folded match.
void FillSnippet(std::string_view body, std::string_view foldedQuery, SearchHit& hit) {
  std::string text;
  HtmlToText(body, false, text);
  // Folding changes byte lengths only for full-width characters, so fold code point by code point
  // and remember where each folded byte came from.
  std::string folded;
  std::vector<std::size_t> origin;
  folded.reserve(text.size());
  origin.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const char wide = FullWidthFold(text, i);
    if (wide != 0) {
      folded += wide;
      origin.push_back(i);
      i += 3;
    } else {
      folded += AsciiLower(c);
      origin.push_back(i);
      ++i;
    }
  }
  origin.push_back(text.size());
  std::size_t start = 0;
  std::size_t end = 0;
  const std::size_t at = foldedQuery.empty() ? std::string_view::npos : folded.find(foldedQuery);
  if (at != std::string_view::npos) {
    start = origin[at];
    end = origin[at + foldedQuery.size()];
  }
  const std::size_t from = at == std::string_view::npos ? 0 : StepCodePoints(text, start, kSnippetBefore, true);
  const std::size_t to = StepCodePoints(text, end, at == std::string_view::npos ? kSnippetLead : kSnippetAfter, false);
  hit.before = (from > 0 ? kEllipsis : "") + text.substr(from, start - from);
  hit.match = text.substr(start, end - start);
  hit.after = text.substr(end, to - end) + (to < text.size() ? kEllipsis : "");
}

// True when a ranks before b.
bool RanksBefore(const SearchHit& a, const SearchHit& b) {
  if (a.trashed != b.trashed) return !a.trashed;
  if (a.inTitle != b.inTitle) return a.inTitle;
  if (a.matches != b.matches) return a.matches > b.matches;
  if (a.title != b.title) return a.title < b.title;
  return a.id < b.id;
}

}  // namespace

Status PrepareSearch(DocumentFile& document, PageIndex& index, bool withText) {
  const Status result = RefreshPageIndex(document, index, withText);
  if (result != StatusCode::Ok) return result;
  if (index.titles.empty() || index.titlesVersion != index.version) {
    if (index.titles.empty()) index.titles = ReadTitles(index.tree);
    for (TitledPage& entry : index.titles) {
      const auto indexed = index.pages.find(entry.id);
      entry.page = indexed == index.pages.end() ? nullptr : &indexed->second;
    }
    index.titlesVersion = index.version;
  }
  return result;
}

Status SearchPages(DocumentFile& document, PageIndex& index, const SearchRequest& request,
                        std::vector<SearchHit>& hits, std::size_t& total) {
  hits.clear();
  total = 0;
  const bool links = !request.linkTarget.empty();
  if (!links && request.folded.empty()) return StatusCode::Ok;

  const Status result = PrepareSearch(document, index, !links);
  if (result != StatusCode::Ok) return result;

  const TextFinder finder(request.folded);
  std::vector<SearchHit> best;  // a heap whose front is the weakest of the best
  for (const TitledPage& entry : index.titles) {
    SearchHit hit;
    // A page whose body was never written can still match by its title.
    const IndexedPage* page = entry.page;
    if (links) {
      hit.matches = page == nullptr ? 0 : std::count(page->links.begin(), page->links.end(), request.linkTarget);
    } else {
      const std::size_t inTitle = finder.Count(entry.foldedTitle);
      hit.inTitle = inTitle > 0;
      hit.matches = inTitle + (page == nullptr ? 0 : finder.Count(TextOf(index, *page)));
    }
    if (hit.matches == 0) continue;
    ++total;
    hit.id = entry.id;
    hit.title = entry.title;
    hit.trashed = entry.trashed;
    if (best.size() == kMaxSearchResults) {
      if (!RanksBefore(hit, best.front())) continue;
      std::pop_heap(best.begin(), best.end(), RanksBefore);
      best.pop_back();
    }
    best.push_back(std::move(hit));
    std::push_heap(best.begin(), best.end(), RanksBefore);
  }

  // Snippets come from the bodies of the hits kept, read after the matching in short reads.
  std::sort(best.begin(), best.end(), RanksBefore);
  std::vector<std::string> ids;
  for (const SearchHit& hit : best) ids.push_back(hit.id);
  hits.reserve(best.size());
  return ReadPagesBriefly(document, ids, [&](const std::string&, Status found, std::string& body) {
    SearchHit& hit = best[hits.size()];
    FillSnippet(found == StatusCode::Ok ? std::string_view(body) : std::string_view(),
                links ? std::string_view() : std::string_view(request.folded), hit);
    hits.push_back(std::move(hit));
  });
}

SearchOutcome SearchDocument(DocumentSession& session, const SearchRequest& request, const std::string& turnKey) {
  SearchOutcome outcome;
  const SearchTurn turn(session.searches, turnKey);
  if (turn.Replaced()) {
    outcome.result = StatusCode::SearchReplaced;
    return outcome;
  }
  const bool text = request.linkTarget.empty() && !request.folded.empty();
  if (text) ReadPageIndexFile(session.document, session.pageIndex);
  outcome.result = SearchPages(session.document, session.pageIndex, request, outcome.hits, outcome.total);
  if (text && outcome.result == StatusCode::Ok) session.indexFile.WriteSoon(session.document, session.pageIndex);
  return outcome;
}
