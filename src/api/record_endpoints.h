#pragma once
// The tree and page endpoints: whole-record reads and compare-and-writes on version tags.
#include <string>

#include "documents/page_history.h"
#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// The tag of If-Match without its surrounding quotes; empty when none was given.
std::string ReadIfMatch(const HttpRequest& request);

HttpResponse HandleGetTree(DocumentSession& session);
HttpResponse HandlePutTree(DocumentSession& session, const HttpRequest& request);
HttpResponse HandleGetPage(DocumentSession& session, const std::string& id);
// A page write keeps the body it replaces in the page's history (always with ?revision=keep).
HttpResponse HandlePutPage(DocumentSession& session, const std::string& id, const HttpRequest& request);
// A purge keeps the page's last body in its history.
HttpResponse HandleDeletePage(DocumentSession& session, const std::string& id);
