#pragma once
// The request gate: the request handler of every listener. It admits only the browser windows
// the program opened for this session's document, and puts the security headers on every answer.
#include <string_view>

#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

// The page a browser without a session gets: it asks the user to reopen Ferncard.
extern const std::string_view kReopenPage;

// GateRequest followed by the security headers; bound to the session as its listener's handler.
HttpResponse HandleRequest(DocumentSession& session, const HttpRequest& request);

HttpResponse GateRequest(DocumentSession& session, const HttpRequest& request);

// The host is a loopback name with the session's port.
bool CheckHost(const DocumentSession& session, const HttpRequest& request);

// Not cross-site; the origin, when sent, is the session's own; without one only GET passes.
bool CheckOrigin(const DocumentSession& session, const HttpRequest& request);

// The cookie header holds the session's cookie with its secret.
bool HasSessionCookie(const DocumentSession& session, const HttpRequest& request);
