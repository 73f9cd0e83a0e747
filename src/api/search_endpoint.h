#pragma once
// GET /api/search: pages whose title or text holds the query (q), or that link to a page (links).
#include "api/api_handler.h"

// One search of a document runs at a time; a search that a newer one from the same window (the
// query's window value) replaced while it waited is answered 409 "search_replaced".
HttpResponse AnswerSearch(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
