#include "api/search_endpoint.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "documents/page_search.h"
#include "api/failure_answer.h"
#include "util/page_text.h"
#include "util/text.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A query-string value as the browser's form encoding writes it; nothing for a broken escape
// or text that is not UTF-8.
std::optional<std::string> DecodeQueryValue(const std::string& raw) {
  std::string decoded;
  decoded.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '+') {
      decoded += ' ';
    } else if (raw[i] == '%') {
      if (i + 2 >= raw.size()) return std::nullopt;
      const int high = HexValue(raw[i + 1]);
      const int low = HexValue(raw[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      decoded += raw[i];
    }
  }
  if (!IsUtf8(decoded)) return std::nullopt;
  return decoded;
}

std::size_t CountCodePoints(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

constexpr std::size_t kMaxWindowLength = 64;

HttpResponse BadRequest() { return ErrorResponse(400, "bad_request", ""); }

std::string Quoted(const std::string& text) { return "\"" + JsonEscape(text) + "\""; }

std::string HitJson(const SearchHit& hit) {
  return "{\"id\":" + Quoted(hit.id) + ",\"title\":" + Quoted(hit.title) +
         ",\"trashed\":" + (hit.trashed ? "true" : "false") + ",\"inTitle\":" + (hit.inTitle ? "true" : "false") +
         ",\"matches\":" + std::to_string(hit.matches) + ",\"snippet\":{\"before\":" + Quoted(hit.before) +
         ",\"match\":" + Quoted(hit.match) + ",\"after\":" + Quoted(hit.after) + "}}";
}

}  // namespace

HttpResponse AnswerSearch(DocumentSession& session, const HttpRequest& request, const ApiPathIds&) {
  SearchRequest search;
  const auto links = request.query.find("links");
  const auto q = request.query.find("q");
  if (links != request.query.end()) {
    if (!IsPageIdShape(links->second)) return BadRequest();
    search.linkTarget = links->second;
  } else {
    if (q == request.query.end()) return BadRequest();
    const std::optional<std::string> text = DecodeQueryValue(q->second);
    if (!text || CountCodePoints(*text) > kMaxQueryChars) return BadRequest();
    search.folded = FoldPlainText(*text);
    if (search.folded.empty()) return BadRequest();
  }
  // Each window's newest search of each kind is the one it waits for.
  const auto window = request.query.find("window");
  std::string key = links != request.query.end() ? "links:" : "text:";
  if (window != request.query.end() && window->second.size() <= kMaxWindowLength) key += window->second;
  const SearchOutcome found = SearchDocument(session, search, key);
  if (!found.result) return FailureAnswer(found.result);
  const std::vector<SearchHit>& hits = found.hits;
  const std::size_t total = found.total;
  std::string body = "{\"results\":[";
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (i > 0) body += ',';
    body += HitJson(hits[i]);
  }
  body += "],\"total\":" + std::to_string(total) + "}";
  return JsonResponse(std::move(body));
}
