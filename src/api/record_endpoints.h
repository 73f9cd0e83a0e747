#pragma once
// The tree and page endpoints: whole-record reads and compare-and-writes on version tags.
#include <string>

#include "documents/page_history.h"
#include "api/api_handler.h"

// The tag of If-Match without its surrounding quotes; empty when none was given.
std::string ReadIfMatch(const HttpRequest& request);

HttpResponse AnswerGetTree(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerPutTree(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerGetPage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
// "?ids=" up to 100 page ids, comma-separated: {"pages":[{"id","body"},...]} for the first of
// them in order, as many as fit in about 4 MiB (at least one), ending before a body that is not
// UTF-8 text. The rest are asked for again; a page the answer starts without is read alone.
HttpResponse AnswerGetPages(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
// A page write keeps the body it replaces in the page's history (always with ?revision=keep).
HttpResponse AnswerPutPage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
// A purge keeps the page's last body in its history.
HttpResponse AnswerDeletePage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
