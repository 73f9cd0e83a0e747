#pragma once
// The history endpoints: a page's kept revisions, one revision's body, and the images the kept
// bodies show (so that image clean-up spares them).
#include "api/api_handler.h"

HttpResponse AnswerListRevisions(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerGetRevision(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerHistoryImages(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
