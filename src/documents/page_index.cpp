#include "documents/page_index.h"

#include "util/page_text.h"
#include "util/text.h"
#include "util/text_finder.h"

namespace {

using PageTable = std::unordered_map<std::string, IndexedPage>;

// The buffer of texts, copied first when a copy of the index being written still shares it.
ByteBuffer& WritableText(PageIndex& index) {
  if (index.text.use_count() > 1) index.text = std::make_shared<ByteBuffer>(*index.text);
  return *index.text;
}

void Forget(PageIndex& index, PageTable& from, PageTable::iterator page) {
  index.unused += page->second.size;
  from.erase(page);
  ++index.version;
}

// Keeps a page's text and links; from holds what was known of it before. A body that hashes as
// the one known is not read again.
void Keep(PageIndex& index, PageTable& from, std::string_view id, std::string_view body, std::string& scratch) {
  if (!IsPageIdShape(id)) return;
  const std::uint64_t hash = ContentHash(body);
  const std::string key(id);
  if (const auto known = from.find(key); known != from.end()) {
    if (known->second.hash == hash) {
      if (&from != &index.pages) index.pages.insert(from.extract(known));
      return;
    }
    index.unused += known->second.size;
    from.erase(known);
  }
  IndexedPage& page = index.pages[key];
  page = IndexedPage{0, 0, hash, PageLinksOf(body)};
  if (index.withText) {
    HtmlToText(body, true, scratch);
    ByteBuffer& text = WritableText(index);
    page.at = text.size();
    page.size = scratch.size();
    text += scratch;
  }
  ++index.version;
}

// Visits every page again, keeping what is known of a page whose body is unchanged.
template <typename Visit>
Status KeepEveryPage(PageIndex& index, Visit visit) {
  PageTable before;
  before.swap(index.pages);
  std::string scratch;
  const Status result = visit([&](std::string_view id, std::string_view body) { Keep(index, before, id, body, scratch); });
  while (!before.empty()) Forget(index, before, before.begin());
  return result;
}

// Rounds of reading what changed while the last round read, before the last round reads all
// that is left in one read, however long: only writes that keep racing the reads come to that.
constexpr int kCatchUpRounds = 4;

Status ReadChangedPages(DocumentFile& document, const std::vector<std::string>& ids, PageIndex& index) {
  std::string scratch;
  return ReadPagesBriefly(document, ids, [&](const std::string& id, Status found, std::string& body) {
    if (found != StatusCode::NotFound) Keep(index, index.pages, id, body, scratch);
    else if (const auto page = index.pages.find(id); page != index.pages.end()) Forget(index, index.pages, page);
  });
}

Status CatchUp(DocumentFile& document, PageIndex& index, std::string& tree) {
  for (int round = 0;; ++round) {
    PageReadView view;
    PageChanges changes;
    Status result = view.Open(document, index.mark, changes);
    if (result != StatusCode::Ok) return result;
    if (round == kCatchUpRounds) {
      // Everything in this one read, so that the index and the tree agree.
      if (changes.everyPage) {
        result = KeepEveryPage(index, [&](const PageVisitor& keep) { return view.VisitPages(keep); });
      }
      std::string scratch;
      for (const std::string& id : changes.pages) {
        std::string body;
        if (result != StatusCode::Ok) break;
        result = view.ReadPage(id, body);
        if (result == StatusCode::Ok) Keep(index, index.pages, id, body, scratch);
        if (result != StatusCode::NotFound) continue;
        if (const auto page = index.pages.find(id); page != index.pages.end()) Forget(index, index.pages, page);
        result = StatusCode::Ok;
      }
      return result == StatusCode::Ok ? view.ReadTree(tree) : result;
    }
    if (!changes.everyPage && changes.pages.empty()) return view.ReadTree(tree);
    view.Close();
    // What is written from here on shows up in the next round's changes.
    result = changes.everyPage
                 ? KeepEveryPage(index, [&](const PageVisitor& keep) { return VisitEveryPageBriefly(document, keep); })
                 : ReadChangedPages(document, changes.pages, index);
    if (result != StatusCode::Ok) return result;
  }
}

// Texts no page holds any more are dropped once they are half the buffer.
void Compact(PageIndex& index) {
  if (index.unused < (1u << 20) || index.unused * 2 < index.text->size()) return;
  auto text = std::make_shared<ByteBuffer>();
  text->reserve(index.text->size() - index.unused);
  for (auto& [id, page] : index.pages) {
    const std::size_t at = text->size();
    text->append(TextOf(index, page));
    page.at = at;
  }
  index.text = std::move(text);
  index.unused = 0;
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

Status RefreshPageIndex(DocumentFile& document, PageIndex& index, bool withText) {
  // The first text search reads every page for its text.
  if (withText && !index.withText) {
    index.mark = PageMark{};
    index.pages.clear();
    index.text = std::make_shared<ByteBuffer>();
    index.unused = 0;
    index.withText = true;
    index.titles.clear();  // they point into the pages
  }
  std::string tree;
  const Status result = CatchUp(document, index, tree);
  if (result != StatusCode::Ok) {
    // Only where its file is, and that the file was read, outlive a failure.
    PageIndex fresh;
    fresh.fileFolder = std::move(index.fileFolder);
    fresh.filePath = std::move(index.filePath);
    fresh.fileRead = index.fileRead;
    index = std::move(fresh);
    return result;
  }
  Compact(index);
  if (tree != index.tree) {
    index.tree = std::move(tree);
    index.titles.clear();
  }
  return result;
}
