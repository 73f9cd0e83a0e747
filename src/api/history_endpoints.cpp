#include "api/history_endpoints.h"

#include <vector>

#include "api/record_endpoints.h"
#include "util/text.h"

namespace {

constexpr std::size_t kRevisionIdLength = 32;

}  // namespace

HttpResponse HandleListRevisions(PageHistory& history, const std::string& pageId) {
  std::vector<RevisionInfo> revisions;
  if (!ListPageRevisions(history, pageId, revisions)) return StoreError(StoreResult::Error);
  std::string body = "{\"revisions\":[";
  for (std::size_t i = 0; i < revisions.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"id\":\"" + JsonEscape(revisions[i].id) + "\",\"time\":" + std::to_string(revisions[i].time) +
            ",\"size\":" + std::to_string(revisions[i].size) + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse HandleGetRevision(PageHistory& history, const std::string& pageId, const std::string& revisionId) {
  if (!IsLowerHexOfLength(revisionId, kRevisionIdLength)) return StoreError(StoreResult::NotFound);
  std::string body;
  const StoreResult result = ReadPageRevision(history, pageId, revisionId, body);
  if (result != StoreResult::Ok) return StoreError(result);
  HttpResponse response = DefaultResponse();
  response.contentType = "text/html; charset=utf-8";
  response.body = std::move(body);
  return response;
}

HttpResponse HandleHistoryImages(PageHistory& history) {
  std::vector<std::string> images;
  if (!ImagesInHistory(history, images)) return StoreError(StoreResult::Error);
  std::string body = "{\"images\":[";
  for (std::size_t i = 0; i < images.size(); ++i) {
    body += (i > 0 ? ",\"" : "\"") + images[i] + "\"";
  }
  return JsonResponse(body + "]}");
}
