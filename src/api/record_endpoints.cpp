#include "api/record_endpoints.h"

#include "api/failure_answer.h"
#include "documents/document_records.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

std::string Quoted(const std::string& tag) { return "\"" + tag + "\""; }

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
