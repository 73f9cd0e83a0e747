#include "api/api_routes.h"

#include "util/text.h"

namespace {

constexpr std::string_view kPagesPrefix = "/api/pages/";
constexpr std::string_view kImagesPrefix = "/api/images/";

constexpr std::string_view kRevisionsSuffix = "/revisions";
constexpr std::size_t kPageIdLength = 36;

ApiRoute To(ApiEndpoint endpoint, std::string_view id = {}) { return ApiRoute{endpoint, std::string(id), {}}; }

// "/revisions" or "/revisions/" + a revision id after a page id; both are read-only.
ApiRoute RouteRevisions(bool get, std::string_view pageId, std::string_view rest) {
  if (!rest.starts_with(kRevisionsSuffix)) return To(ApiEndpoint::NotFound);
  rest.remove_prefix(kRevisionsSuffix.size());
  if (rest.empty()) return To(get ? ApiEndpoint::ListRevisions : ApiEndpoint::MethodNotAllowed, pageId);
  if (rest.front() != '/' || rest.size() == 1) return To(ApiEndpoint::NotFound);
  if (!get) return To(ApiEndpoint::MethodNotAllowed);
  ApiRoute route = To(ApiEndpoint::GetRevision, pageId);
  route.revisionId = std::string(rest.substr(1));
  return route;
}

}  // namespace

ApiRoute RouteApiRequest(std::string_view method, std::string_view path) {
  const bool get = method == "GET";
  const bool put = method == "PUT";
  const bool post = method == "POST";
  const bool del = method == "DELETE";
  if (!get && !put && !post && !del) return To(ApiEndpoint::MethodNotAllowed);

  if (path == "/api/status" && get) return To(ApiEndpoint::Status);
  if (path == "/api/recent" && get) return To(ApiEndpoint::Recent);
  if (path == "/api/backups" && get) return To(ApiEndpoint::Backups);
  if (path.starts_with("/api/file/")) return To(ApiEndpoint::File);
  if (path == "/api/open-data-folder") return To(post ? ApiEndpoint::OpenDataFolder : ApiEndpoint::MethodNotAllowed);
  if (path == "/api/tree") {
    if (get) return To(ApiEndpoint::GetTree);
    if (put) return To(ApiEndpoint::PutTree);
    return To(ApiEndpoint::MethodNotAllowed);
  }
  if (path == "/api/history/images") return To(get ? ApiEndpoint::HistoryImages : ApiEndpoint::MethodNotAllowed);
  if (path.starts_with(kPagesPrefix)) {
    const std::string_view rest = path.substr(kPagesPrefix.size());
    const std::string_view id = rest.substr(0, kPageIdLength);
    if (!IsPageIdShape(id)) return To(ApiEndpoint::NotFound);
    if (rest.size() > kPageIdLength) return RouteRevisions(get, id, rest.substr(kPageIdLength));
    if (get) return To(ApiEndpoint::GetPage, id);
    if (put) return To(ApiEndpoint::PutPage, id);
    if (del) return To(ApiEndpoint::DeletePage, id);
    return To(ApiEndpoint::MethodNotAllowed);
  }
  if (path == "/api/search") return To(get ? ApiEndpoint::Search : ApiEndpoint::MethodNotAllowed);
  if (path == "/api/images") {
    if (get) return To(ApiEndpoint::ListImages);
    if (post) return To(ApiEndpoint::UploadImage);
    return To(ApiEndpoint::MethodNotAllowed);
  }
  if (path.starts_with(kImagesPrefix)) {
    const std::string_view id = path.substr(kImagesPrefix.size());
    if (!IsLowerHexOfLength(id, 32)) return To(ApiEndpoint::NotFound);
    if (get) return To(ApiEndpoint::GetImage, id);
    if (del) return To(ApiEndpoint::DeleteImage, id);
    return To(ApiEndpoint::MethodNotAllowed);
  }
  return To(ApiEndpoint::NotFound);
}
