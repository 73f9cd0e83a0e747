#include "api/history_endpoints.h"

#include <vector>

#include "api/failure_answer.h"
#include "documents/page_history.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

constexpr std::size_t kRevisionIdLength = 32;

}  // namespace

HttpResponse AnswerListRevisions(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  std::vector<RevisionInfo> revisions;
  if (Status listed = ListPageRevisions(session.history, ids.id, revisions); !listed) return FailureAnswer(listed);
  std::string body = "{\"revisions\":[";
  for (std::size_t i = 0; i < revisions.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"id\":\"" + JsonEscape(revisions[i].id) + "\",\"time\":" + std::to_string(revisions[i].time) +
            ",\"size\":" + std::to_string(revisions[i].size) + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse AnswerGetRevision(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  if (!IsLowerHexOfLength(ids.revisionId, kRevisionIdLength)) return FailureAnswer(StatusCode::NotFound);
  std::string body;
  const Status result = ReadPageRevision(session.history, ids.id, ids.revisionId, body);
  if (result != StatusCode::Ok) return FailureAnswer(result);
  HttpResponse response = DefaultResponse();
  response.contentType = "text/html; charset=utf-8";
  response.body = std::move(body);
  return response;
}

HttpResponse AnswerHistoryImages(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  std::vector<std::string> images;
  if (Status listed = ImagesInHistory(session.history, images); !listed) return FailureAnswer(listed);
  std::string body = "{\"images\":[";
  for (std::size_t i = 0; i < images.size(); ++i) {
    body += (i > 0 ? ",\"" : "\"") + images[i] + "\"";
  }
  return JsonResponse(body + "]}");
}
