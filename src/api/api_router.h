#pragma once
// The dispatcher of every admitted request under /api/.
#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// Always exactly one answer; every refusal is a JSON error envelope.
HttpResponse ApiRouter(DocumentSession& session, const HttpRequest& request);
