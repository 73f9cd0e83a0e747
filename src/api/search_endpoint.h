#pragma once
// GET /api/search: pages whose title or text holds the query (q), or that link to a page (links).
#include "http/request.h"
#include "http/response.h"
#include "store/document_file.h"

HttpResponse HandleSearch(DocumentFile& document, const HttpRequest& request);
