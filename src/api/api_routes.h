#pragma once
// Which endpoint an /api/ request is for: decided from the method and the path alone.
#include <string>
#include <string_view>

enum class ApiEndpoint {
  MethodNotAllowed,  // 405 "method_not_allowed"
  NotFound,          // 404 "not_found"
  Status,
  Recent,
  Backups,
  File,  // everything under /api/file/: the file endpoints check their methods themselves
  OpenDataFolder,
  GetTree,
  PutTree,
  GetPage,
  PutPage,
  DeletePage,
  ListRevisions,
  GetRevision,
  HistoryImages,
  ListImages,
  UploadImage,
  GetImage,
  DeleteImage,
  Search,
};

struct ApiRoute {
  ApiEndpoint endpoint = ApiEndpoint::NotFound;
  std::string id;  // the page or image identifier, already of the right shape
  std::string revisionId;  // of GetRevision: any text; only a stored revision's id finds one
};

// Methods other than GET, PUT, POST and DELETE are refused before the path is looked at;
// an identifier of the wrong shape is refused before the method is.
ApiRoute RouteApiRequest(std::string_view method, std::string_view path);
