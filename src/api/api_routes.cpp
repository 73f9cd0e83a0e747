#include "api/api_routes.h"

#include "api/backup_endpoints.h"
#include "api/file_endpoints.h"
#include "api/history_endpoints.h"
#include "api/image_endpoints.h"
#include "api/record_endpoints.h"
#include "api/search_endpoint.h"
#include "api/status_endpoints.h"
#include "util/text.h"

namespace {

// How a row's path meets the request's: the whole path, or the row's prefix and then the rest.
enum class PathShape {
  Exact,
  PageId,         // prefix + page id
  PageRevisions,  // prefix + page id + "/revisions"
  PageRevision,   // prefix + page id + "/revisions/" + any text
  ImageId,        // prefix + 32 lower-case hex digits
  RecentIndex,    // prefix + one or two digits
  AnyRest,        // prefix + anything
};

struct ApiRouteRow {
  std::string_view method;  // kAnyMethod for every method
  std::string_view path;
  PathShape shape;
  ApiHandler handler;
};

constexpr std::string_view kAnyMethod = "*";

// The first row whose path and method fit answers. The order matters where rows share a path:
// a catch-all row comes after the rows it backs.
constexpr ApiRouteRow kApiRoutes[] = {
    {"GET", "/api/status", PathShape::Exact, AnswerStatus},
    {"GET", "/api/recent", PathShape::Exact, AnswerRecent},
    {"GET", "/api/backups", PathShape::Exact, AnswerBackups},
    // These three have always answered other methods as unknown paths rather than 405.
    {kAnyMethod, "/api/status", PathShape::Exact, AnswerNotFound},
    {kAnyMethod, "/api/recent", PathShape::Exact, AnswerNotFound},
    {kAnyMethod, "/api/backups", PathShape::Exact, AnswerNotFound},
    {"POST", "/api/file/open", PathShape::Exact, AnswerOpenFile},
    {"POST", "/api/file/open-backup", PathShape::Exact, AnswerOpenBackup},
    {"POST", "/api/file/new", PathShape::Exact, AnswerNewFile},
    {"POST", "/api/file/save-as", PathShape::Exact, AnswerSaveAs},
    {"POST", "/api/file/recent/", PathShape::RecentIndex, AnswerOpenRecent},
    // Under /api/file/ the method is looked at before the path: other methods 405, unknown POSTs 404.
    {"POST", "/api/file/", PathShape::AnyRest, AnswerNotFound},
    {"POST", "/api/open-data-folder", PathShape::Exact, AnswerOpenDataFolder},
    {"GET", "/api/tree", PathShape::Exact, AnswerGetTree},
    {"PUT", "/api/tree", PathShape::Exact, AnswerPutTree},
    {"GET", "/api/history/images", PathShape::Exact, AnswerHistoryImages},
    {"GET", "/api/pages", PathShape::Exact, AnswerGetPages},
    {"GET", "/api/pages/", PathShape::PageId, AnswerGetPage},
    {"PUT", "/api/pages/", PathShape::PageId, AnswerPutPage},
    {"DELETE", "/api/pages/", PathShape::PageId, AnswerDeletePage},
    {"GET", "/api/pages/", PathShape::PageRevisions, AnswerListRevisions},
    {"GET", "/api/pages/", PathShape::PageRevision, AnswerGetRevision},
    {"GET", "/api/search", PathShape::Exact, AnswerSearch},
    {"GET", "/api/images", PathShape::Exact, AnswerListImages},
    {"POST", "/api/images", PathShape::Exact, AnswerUploadImage},
    {"GET", "/api/images/", PathShape::ImageId, AnswerGetImage},
    {"DELETE", "/api/images/", PathShape::ImageId, AnswerDeleteImage},
};

constexpr std::size_t kPageIdLength = 36;
constexpr std::size_t kImageIdLength = 32;
constexpr std::string_view kRevisions = "/revisions";

bool IsRecentIndexShape(std::string_view text) {
  if (text.empty() || text.size() > 2) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Whether the path has the row's shape; if so, ids holds what it carried.
bool PathFits(const ApiRouteRow& row, std::string_view path, ApiPathIds& ids) {
  if (row.shape == PathShape::Exact) return path == row.path;
  if (!path.starts_with(row.path)) return false;
  std::string_view rest = path.substr(row.path.size());
  switch (row.shape) {
    case PathShape::Exact: return false;
    case PathShape::ImageId:
      if (!IsLowerHexOfLength(rest, kImageIdLength)) return false;
      break;
    case PathShape::RecentIndex:
      if (!IsRecentIndexShape(rest)) return false;
      break;
    case PathShape::AnyRest: break;
    case PathShape::PageId:
      if (!IsPageIdShape(rest)) return false;
      break;
    case PathShape::PageRevisions:
    case PathShape::PageRevision: {
      const std::string_view pageId = rest.substr(0, kPageIdLength);
      if (!IsPageIdShape(pageId) || !rest.substr(pageId.size()).starts_with(kRevisions)) return false;
      rest.remove_prefix(pageId.size() + kRevisions.size());
      const bool fits = row.shape == PathShape::PageRevisions ? rest.empty() : rest.size() > 1 && rest.front() == '/';
      if (!fits) return false;
      if (!rest.empty()) ids.revisionId = std::string(rest.substr(1));
      rest = pageId;
      break;
    }
  }
  ids.id = std::string(rest);
  return true;
}

bool IsKnownMethod(std::string_view method) {
  return method == "GET" || method == "PUT" || method == "POST" || method == "DELETE";
}

}  // namespace

ApiRoute RouteApiRequest(std::string_view method, std::string_view path) {
  if (!IsKnownMethod(method)) return ApiRoute{AnswerMethodNotAllowed, {}};
  bool pathKnown = false;
  for (const ApiRouteRow& row : kApiRoutes) {
    ApiRoute route{row.handler, {}};
    if (!PathFits(row, path, route.ids)) continue;
    if (row.method == method || row.method == kAnyMethod) return route;
    pathKnown = true;
  }
  return ApiRoute{pathKnown ? AnswerMethodNotAllowed : AnswerNotFound, {}};
}

HttpResponse AnswerNotFound(DocumentSession&, const HttpRequest&, const ApiPathIds&) {
  return ErrorResponse(404, "not_found", "");
}

HttpResponse AnswerMethodNotAllowed(DocumentSession&, const HttpRequest&, const ApiPathIds&) {
  return ErrorResponse(405, "method_not_allowed", "");
}
