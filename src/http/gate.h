#pragma once
// The request gate: a check composed in front of a listener's handler. It admits only the browser
// windows that hold the listener's cookie (or trade a ticket for it) and puts the security headers
// on every answer. It knows nothing of what the handler behind it serves.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/listener.h"
#include "http/request.h"
#include "http/response.h"
#include "http/tickets.h"

// What one listener's gate admits by.
struct GateKeys {
  std::uint32_t port = 0;    // the listener's port: the only one Host and Origin may name
  std::string cookieName;    // "fc_" + port
  std::string cookieSecret;  // 64 hex characters; empty admits nobody
  TicketStore tickets;
};

// The page a browser without a session gets: it asks the user to reopen Ferncard.
extern const std::string_view kReopenPage;

// Decides from the request's head alone (method, target, Host, Origin, Sec-Fetch-Site, Cookie),
// so it can run before the body is read. Returns the gate's own answer (a refusal, the ticket's
// redirect or the reopen page), or nothing when the request is admitted.
std::optional<HttpResponse> CheckRequestHead(GateKeys& keys, const HttpRequest& head);

// The headers that every answer of a gated listener carries.
void AddSecurityHeaders(HttpResponse& response);

// The gate in front of a handler, as a listener takes it: CheckRequestHead on each head before its
// body is read, the handler (and weigher) for what it admits, and the security headers on every
// answer. keys must outlive the handlers returned.
ListenerHandlers GuardedHandler(GateKeys& keys, RequestHandler admitted, RequestWeigher weigh = {});

// The host is a loopback name with the listener's port.
bool CheckHost(const GateKeys& keys, const HttpRequest& request);

// Not cross-site; the origin, when sent, is the listener's own; without one only GET passes.
bool CheckOrigin(const GateKeys& keys, const HttpRequest& request);

// The cookie header holds the listener's cookie with its secret.
bool HasSessionCookie(const GateKeys& keys, const HttpRequest& request);
