#include "api/record_endpoints.h"

#include <string_view>
#include <vector>

#include "api/failure_answer.h"
#include "documents/document_records.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

std::string Quoted(const std::string& tag) { return "\"" + tag + "\""; }

// Pages one request may ask for, and about the most body bytes one answer holds.
constexpr std::size_t kMostPagesAsked = 100;
constexpr std::size_t kPagesAnswerBytes = 4 * 1048576;

// The page ids of "?ids=a,b,c"; empty when any is not a page id or there are too many.
std::vector<std::string> AskedPageIds(const HttpRequest& request) {
  const auto asked = request.query.find("ids");
  if (asked == request.query.end()) return {};
  std::vector<std::string> ids;
  for (std::string_view rest = asked->second;;) {
    const std::size_t comma = rest.find(',');
    const std::string_view id = rest.substr(0, comma);
    if (!IsPageIdShape(id) || ids.size() == kMostPagesAsked) return {};
    ids.emplace_back(id);
    if (comma == std::string_view::npos) return ids;
    rest.remove_prefix(comma + 1);
  }
}

// A write whose replaced body could not be kept still succeeded; the answer says so.
HttpResponse WrittenResponse(const std::string& newTag, bool historyFailed = false) {
  HttpResponse response = JsonResponse(historyFailed ? "{\"history\":\"failed\",\"message\":\"" +
                                                           JsonEscape(kHistoryFailedMessage) + "\"}"
                                                     : "{}");
  response.headers.push_back(EtagHeader(Quoted(newTag)));
  return response;
}

}  // namespace

std::string ReadIfMatch(const HttpRequest& request) {
  const std::string* found = request.Header("if-match");
  if (found == nullptr) return {};
  const std::string& value = *found;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

HttpResponse AnswerGetTree(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  RecordRead read = ReadDocumentTree(session);
  if (read.result != StatusCode::Ok) return FailureAnswer(read.result);
  HttpResponse response = DefaultResponse();
  response.body = std::move(read.body);
  response.headers.push_back(EtagHeader(Quoted(read.tag)));
  return response;
}

HttpResponse AnswerPutTree(DocumentSession& session, const HttpRequest& request, const ApiPathIds&) {
  const std::string expected = ReadIfMatch(request);
  if (expected.empty()) return ErrorResponse(428, "if_match_required", "");
  if (request.body.empty() || request.body.front() != '{') return ErrorResponse(400, "bad_tree", "");
  const RecordWrite write = WriteDocumentTree(session, request.body, expected);
  if (write.result != StatusCode::Ok) return FailureAnswer(write.result);
  return WrittenResponse(write.newTag);
}

HttpResponse AnswerGetPage(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  RecordRead read = ReadDocumentPage(session, ids.id);
  if (read.result != StatusCode::Ok) return FailureAnswer(read.result);
  HttpResponse response = DefaultResponse();
  response.contentType = "text/plain; charset=utf-8";
  response.body = std::move(read.body);
  response.headers.push_back(EtagHeader(Quoted(read.tag)));
  return response;
}

HttpResponse AnswerGetPages(DocumentSession& session, const HttpRequest& request, const ApiPathIds&) {
  const std::vector<std::string> ids = AskedPageIds(request);
  if (ids.empty()) return ErrorResponse(400, "bad_request", "");
  std::string body = "{\"pages\":[";
  std::size_t taken = 0;
  const Status read = ReadDocumentPages(session, ids, [&](const std::string& id, const std::string& page) {
    // A body that is not UTF-8 text is read alone, as the bytes it is.
    if ((taken > 0 && body.size() + page.size() > kPagesAnswerBytes) || !IsUtf8(page)) return false;
    body += std::string(taken++ > 0 ? "," : "") + "{\"id\":\"" + id + "\",\"body\":\"" + JsonEscape(page) + "\"}";
    return true;
  });
  if (!read.ok()) return FailureAnswer(read);
  return JsonResponse(body + "]}");
}

HttpResponse AnswerPutPage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids) {
  const std::string expected = ReadIfMatch(request);
  if (expected.empty()) return ErrorResponse(428, "if_match_required", "");
  RevisionRule rule = RevisionRule::WhenDue;
  if (const auto asked = request.query.find("revision"); asked != request.query.end()) {
    if (asked->second != "keep") return ErrorResponse(400, "bad_revision", "");
    rule = RevisionRule::Always;
  }
  const PageWrite write = WriteDocumentPage(session, ids.id, request.body, expected, rule);
  if (write.result != StatusCode::Ok) return FailureAnswer(write.result);
  return WrittenResponse(write.newTag, write.historyFailed);
}

HttpResponse AnswerDeletePage(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  const PageWrite write = PurgeDocumentPage(session, ids.id);
  if (write.result != StatusCode::Ok) return FailureAnswer(write.result);
  return NoContent();
}
