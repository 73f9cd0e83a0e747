#include "api/api_router.h"

#include "api/api_routes.h"
#include "api/image_endpoints.h"
#include "api/record_endpoints.h"
#include "documents/document_records.h"
#include "http/assets.h"

HttpResponse ApiRouter(DocumentSession& session, const HttpRequest& request) {
  const ApiRoute route = RouteApiRequest(request.method, request.path);
  return route.handler(session, request, route.ids);
}

bool IsHeavyRequest(DocumentSession& session, const HttpRequest& head, std::size_t bodyLength) {
  if (bodyLength >= kLargeBodyBytes) return true;
  if (!head.path.starts_with("/api/")) return false;
  const ApiRoute route = RouteApiRequest(head.method, head.path);
  const ApiHandler handler = route.handler;
  if (handler == AnswerGetPage || handler == AnswerPutPage || handler == AnswerDeletePage) {
    return IsLargeRecord(session, RecordKind::Page, route.ids.id);
  }
  if (handler == AnswerGetTree || handler == AnswerPutTree) return IsLargeRecord(session, RecordKind::Tree, {});
  if (handler == AnswerGetImage) return IsLargeRecord(session, RecordKind::Image, route.ids.id);
  return false;
}

HttpResponse AnswerAdmittedRequest(DocumentSession& session, const HttpRequest& request) {
  if (request.path.starts_with("/api/")) return ApiRouter(session, request);
  if (request.method == "GET") return ServeAsset(request);
  return ErrorResponse(405, "method_not_allowed", "");
}
