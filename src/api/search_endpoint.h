#pragma once
// GET /api/search: pages whose title or text holds the query (q), or that link to a page (links).
#include "http/request.h"
#include "http/response.h"
#include "documents/page_index.h"
#include "documents/search_queue.h"
#include "store/document_file.h"

// One search of a document runs at a time; a search that a newer one from the same window (the
// query's window value) replaced while it waited is answered 409 "search_replaced".
HttpResponse HandleSearch(DocumentFile& document, PageIndex& index, SearchQueue& queue, const HttpRequest& request);
