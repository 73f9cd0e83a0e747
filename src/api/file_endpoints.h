#pragma once
// POST /api/file/open, /api/file/open-backup, /api/file/new, /api/file/save-as and
// /api/file/recent/<n>: the client's way to create, open and copy documents.
#include "api/api_handler.h"

HttpResponse AnswerOpenFile(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerOpenBackup(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerNewFile(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerSaveAs(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
// ids.id is the recent file's index: one or two digits.
HttpResponse AnswerOpenRecent(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
