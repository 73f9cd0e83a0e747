#pragma once
// The dispatchers of the requests a session's gate admits.
#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// Always exactly one answer; every refusal is a JSON error envelope.
HttpResponse ApiRouter(DocumentSession& session, const HttpRequest& request);

// Every admitted request: /api/ to ApiRouter, any other GET to the web files, the rest refused.
HttpResponse AnswerAdmittedRequest(DocumentSession& session, const HttpRequest& request);
