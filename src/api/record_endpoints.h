#pragma once
// The tree and page endpoints: whole-record reads and compare-and-writes on version tags.
#include <string>

#include "documents/page_history.h"
#include "http/request.h"
#include "http/response.h"
#include "store/document_file.h"

// The tag of If-Match without its surrounding quotes; empty when none was given.
std::string ReadIfMatch(const HttpRequest& request);

// The JSON error answer of a failed store result.
HttpResponse StoreError(StoreResult result);

HttpResponse HandleGetTree(DocumentFile& document);
HttpResponse HandlePutTree(DocumentFile& document, const HttpRequest& request);
HttpResponse HandleGetPage(DocumentFile& document, const std::string& id);
// A page write keeps the body it replaces in the page's history (always with ?revision=keep).
HttpResponse HandlePutPage(DocumentFile& document, PageHistory& history, const std::string& id,
                           const HttpRequest& request);
// A purge keeps the page's last body in its history.
HttpResponse HandleDeletePage(DocumentFile& document, PageHistory& history, const std::string& id);
