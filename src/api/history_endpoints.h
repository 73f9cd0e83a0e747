#pragma once
// The history endpoints: a page's kept revisions, one revision's body, and the images the kept
// bodies show (so that image clean-up spares them).
#include <string>

#include "documents/page_history.h"
#include "http/response.h"

HttpResponse HandleListRevisions(PageHistory& history, const std::string& pageId);
HttpResponse HandleGetRevision(PageHistory& history, const std::string& pageId, const std::string& revisionId);
HttpResponse HandleHistoryImages(PageHistory& history);
