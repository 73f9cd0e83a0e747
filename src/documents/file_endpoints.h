#pragma once
// The file endpoints under /api/file/: open, new, save-as and the recent entries.
// The API router hands every request under that prefix here, whatever its method.
#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

HttpResponse HandleFileEndpoint(DocumentSession& session, const HttpRequest& request);
