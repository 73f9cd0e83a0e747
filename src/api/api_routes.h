#pragma once
// Which endpoint an /api/ request is for: one table of path, method and handler.
#include <string_view>

#include "api/api_handler.h"

struct ApiRoute {
  ApiHandler handler = nullptr;
  ApiPathIds ids;
};

// Methods other than GET, PUT, POST and DELETE are refused (405) before the path is looked at;
// an identifier of the wrong shape finds no row (404) before the method is looked at; a path a
// row knows with none for the method is refused (405).
ApiRoute RouteApiRequest(std::string_view method, std::string_view path);

HttpResponse AnswerNotFound(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerMethodNotAllowed(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
