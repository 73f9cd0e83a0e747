#include "api/api_router.h"

#include "api/api_routes.h"
#include "http/assets.h"

HttpResponse ApiRouter(DocumentSession& session, const HttpRequest& request) {
  const ApiRoute route = RouteApiRequest(request.method, request.path);
  return route.handler(session, request, route.ids);
}

HttpResponse AnswerAdmittedRequest(DocumentSession& session, const HttpRequest& request) {
  if (request.path.starts_with("/api/")) return ApiRouter(session, request);
  if (request.method == "GET") return ServeAsset(request);
  return ErrorResponse(405, "method_not_allowed", "");
}
