#include "api/api_router.h"

#include "api/api_routes.h"
#include "api/backup_endpoints.h"
#include "api/file_endpoints.h"
#include "api/history_endpoints.h"
#include "api/image_endpoints.h"
#include "api/record_endpoints.h"
#include "api/search_endpoint.h"
#include "api/status_endpoints.h"
#include "documents/session.h"
#include "http/assets.h"

HttpResponse ApiRouter(DocumentSession& session, const HttpRequest& request) {
  const ApiRoute route = RouteApiRequest(request.method, request.path);
  switch (route.endpoint) {
    case ApiEndpoint::MethodNotAllowed: return ErrorResponse(405, "method_not_allowed", "");
    case ApiEndpoint::NotFound: return ErrorResponse(404, "not_found", "");
    case ApiEndpoint::Status: return StatusAnswer(session);
    case ApiEndpoint::Recent: return RecentAnswer(session);
    case ApiEndpoint::Backups: return BackupsAnswer(session);
    case ApiEndpoint::File: return HandleFileEndpoint(session, request);
    case ApiEndpoint::OpenDataFolder: return OpenDataFolder(session);
    case ApiEndpoint::GetTree: return HandleGetTree(session);
    case ApiEndpoint::PutTree: return HandlePutTree(session, request);
    case ApiEndpoint::GetPage: return HandleGetPage(session, route.id);
    case ApiEndpoint::PutPage: return HandlePutPage(session, route.id, request);
    case ApiEndpoint::DeletePage: return HandleDeletePage(session, route.id);
    case ApiEndpoint::ListRevisions: return HandleListRevisions(session.history, route.id);
    case ApiEndpoint::GetRevision: return HandleGetRevision(session.history, route.id, route.revisionId);
    case ApiEndpoint::HistoryImages: return HandleHistoryImages(session.history);
    case ApiEndpoint::ListImages: return HandleListImages(session);
    case ApiEndpoint::UploadImage: return HandleUploadImage(session, request);
    case ApiEndpoint::GetImage: return HandleGetImage(session, route.id);
    case ApiEndpoint::DeleteImage: return HandleDeleteImage(session, route.id);
    case ApiEndpoint::Search: return HandleSearch(session, request);
  }
  return ErrorResponse(404, "not_found", "");
}

HttpResponse AnswerAdmittedRequest(DocumentSession& session, const HttpRequest& request) {
  if (request.path.starts_with("/api/")) return ApiRouter(session, request);
  if (request.method == "GET") return ServeAsset(request);
  return ErrorResponse(405, "method_not_allowed", "");
}
