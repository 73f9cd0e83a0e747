#pragma once
// The dispatchers of the requests a session's gate admits.
#include <cstddef>

#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// Always exactly one answer; every refusal is a JSON error envelope.
HttpResponse ApiRouter(DocumentSession& session, const HttpRequest& request);

// Every admitted request: /api/ to ApiRouter, any other GET to the web files, the rest refused.
HttpResponse AnswerAdmittedRequest(DocumentSession& session, const HttpRequest& request);

// Whether an admitted request moves a large body: its own, or a record's known to be large.
// Told from the head alone without waiting for the document, so it may run on the loop's thread.
bool IsHeavyRequest(DocumentSession& session, const HttpRequest& head, std::size_t bodyLength);
