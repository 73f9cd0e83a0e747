#pragma once
// GET /api/backups: where the backups are kept and how the last check of this document went.
#include "api/api_handler.h"

HttpResponse AnswerBackups(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
