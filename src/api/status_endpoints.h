#pragma once
// The endpoints about the program itself: status, recent files, showing the document's folder.
#include "api/api_handler.h"

HttpResponse AnswerStatus(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerRecent(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerOpenDataFolder(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
