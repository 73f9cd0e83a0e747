#pragma once
// GET /api/search: pages whose title or text holds the query (q), or that link to a page (links).
#include "http/request.h"
#include "http/response.h"
#include "documents/page_index.h"
#include "store/document_file.h"

HttpResponse HandleSearch(DocumentFile& document, PageIndex& index, const HttpRequest& request);
