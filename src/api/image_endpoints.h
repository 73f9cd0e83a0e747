#pragma once
// The image endpoints: upload, list, fetch and delete.
#include "api/api_handler.h"

HttpResponse AnswerUploadImage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerListImages(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerGetImage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
HttpResponse AnswerDeleteImage(DocumentSession& session, const HttpRequest& request, const ApiPathIds& ids);
