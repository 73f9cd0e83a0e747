#pragma once
// POST /api/file/open, /api/file/open-backup, /api/file/new, /api/file/save-as and
// /api/file/recent/<n>: the client's way to create, open and copy documents.
#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// Called by the API router for every path that begins with "/api/file/", after the gate.
HttpResponse HandleFileEndpoint(DocumentSession& session, const HttpRequest& request);
