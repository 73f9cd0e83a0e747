#include "http/gate.h"

#include <string>

#include "util/text.h"
#include "util/messages.h"

const std::string_view kReopenPage =
    "<!doctype html><html lang=\"ja\"><meta charset=\"utf-8\"><title>Ferncard</title>"
    "<body style=\"font-family:'Yu Gothic UI',Meiryo,sans-serif;padding:40px\">"
    "<h1 style=\"font-size:20px\">この画面は開けません</h1>"
    "<p>スタートメニューの Ferncard、または通知領域のアイコンから開き直してください。</p></body></html>";

namespace {

constexpr std::string_view kApiPrefix = "/api/";
constexpr std::string_view kCookieAttributes = "; Path=/; HttpOnly; SameSite=Strict";

std::string PortText(const GateKeys& keys) { return std::to_string(keys.port); }

// Looks at every byte whatever the earlier ones were, so the time taken tells nothing about
// how much of a guessed secret was right.
bool SameSecret(std::string_view candidate, std::string_view secret) {
  if (secret.empty() || candidate.size() != secret.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < secret.size(); ++i) {
    difference = static_cast<unsigned char>(difference | (candidate[i] ^ secret[i]));
  }
  return difference == 0;
}

HttpResponse ReopenPageResponse() {
  HttpResponse response = DefaultResponse();
  response.status = 401;
  response.contentType = "text/html; charset=utf-8";
  response.body = std::string(kReopenPage);
  return response;
}

bool HasHeaderNamed(const HttpResponse& response, std::string_view name) {
  for (const auto& header : response.headers) {
    if (header.first == name) return true;
  }
  return false;
}

}  // namespace

bool CheckHost(const GateKeys& keys, const HttpRequest& request) {
  const std::string* host = request.Header("host");
  if (host == nullptr) return false;
  const std::string value = AsciiLower(*host);
  const std::string port = PortText(keys);
  return value == "127.0.0.1:" + port || value == "localhost:" + port;
}

bool CheckOrigin(const GateKeys& keys, const HttpRequest& request) {
  if (const std::string* site = request.Header("sec-fetch-site")) {
    if (*site == "cross-site" || *site == "same-site") return false;
  }
  if (const std::string* origin = request.Header("origin")) {
    const std::string port = PortText(keys);
    return *origin == "http://127.0.0.1:" + port || *origin == "http://localhost:" + port;
  }
  return request.method == "GET";
}

bool HasSessionCookie(const GateKeys& keys, const HttpRequest& request) {
  const std::string* header = request.Header("cookie");
  if (header == nullptr || header->empty()) return false;
  const std::string_view cookies = *header;
  std::size_t start = 0;
  while (start <= cookies.size()) {
    std::size_t end = cookies.find(';', start);
    if (end == std::string_view::npos) end = cookies.size();
    std::string_view piece = cookies.substr(start, end - start);
    start = end + 1;
    const std::size_t first = piece.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    piece.remove_prefix(first);
    const std::size_t equals = piece.find('=');
    if (equals == std::string_view::npos) continue;
    if (piece.substr(0, equals) != keys.cookieName) continue;
    if (SameSecret(piece.substr(equals + 1), keys.cookieSecret)) return true;
  }
  return false;
}

std::optional<HttpResponse> CheckRequestHead(GateKeys& keys, const HttpRequest& head) {
  if (!CheckHost(keys, head)) return ErrorResponse(403, "host_not_allowed", "");
  if (!CheckOrigin(keys, head)) return ErrorResponse(403, "origin_not_allowed", "");

  const bool hasCookie = HasSessionCookie(keys, head);
  if (head.method == "GET" && head.path == "/") {
    const auto ticket = head.query.find("ticket");
    if (ticket != head.query.end()) {
      const bool redeemed = RedeemTicket(keys.tickets, ticket->second);
      if (redeemed || hasCookie) {
        HttpResponse response = DefaultResponse();
        response.status = 302;
        response.contentType.clear();
        std::string location = "/";
        const auto page = head.query.find("page");
        if (page != head.query.end() && IsPageIdShape(page->second)) location += "#/p/" + page->second;
        response.headers.emplace_back("Location", std::move(location));
        if (redeemed) {
          response.headers.emplace_back("Set-Cookie",
                                        keys.cookieName + "=" + keys.cookieSecret + std::string(kCookieAttributes));
        }
        return response;
      }
    }
  }

  if (hasCookie) return std::nullopt;
  // Scripts under /api/ read the message from JSON; anything else is a window, shown the page.
  if (head.path.starts_with(kApiPrefix)) return ErrorResponse(401, "reopen", kReopenMessage);
  return ReopenPageResponse();
}

void AddSecurityHeaders(HttpResponse& response) {
  response.headers.emplace_back("Content-Security-Policy",
                                "default-src 'none'; script-src 'self'; style-src 'self' 'unsafe-inline'; "
                                "img-src 'self'; connect-src 'self'; base-uri 'none'; form-action 'none'; "
                                "frame-ancestors 'none'");
  response.headers.emplace_back("X-Content-Type-Options", "nosniff");
  response.headers.emplace_back("X-Frame-Options", "DENY");
  response.headers.emplace_back("Referrer-Policy", "no-referrer");
  response.headers.emplace_back("Cross-Origin-Resource-Policy", "same-origin");
  if (!HasHeaderNamed(response, "Cache-Control")) response.headers.emplace_back("Cache-Control", "no-store");
}

ListenerHandlers GuardedHandler(GateKeys& keys, RequestHandler admitted, RequestWeigher weigh) {
  HeadCheck check = [&keys](const HttpRequest& head) {
    std::optional<HttpResponse> answer = CheckRequestHead(keys, head);
    if (answer) AddSecurityHeaders(*answer);
    return answer;
  };
  RequestHandler handle = [admitted = std::move(admitted)](const HttpRequest& request) {
    HttpResponse response = admitted(request);
    AddSecurityHeaders(response);
    return response;
  };
  return ListenerHandlers(std::move(check), std::move(handle), std::move(weigh));
}
