#pragma once
// The one shape of every /api/ endpoint, so that the routing table can call each of them.
#include <string>

#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// The identifiers a request's path carried, already of their shapes.
struct ApiPathIds {
  std::string id;          // a page's or image's id, or a recent file's index
  std::string revisionId;  // of a page's revision: any text; only a kept revision's id finds one
};

using ApiHandler = HttpResponse (*)(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
