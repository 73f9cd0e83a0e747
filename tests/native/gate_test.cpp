#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "documents/session.h"
#include "http/gate.h"
#include "util/text.h"

namespace {

constexpr const char* kOrigin = "http://127.0.0.1:8890";
const std::string kPage = "0f8fad5b-d9cb-469f-a165-70867728950e";
const std::string kReopenBody =
    "{\"error\":\"reopen\",\"message\":\"接続が切れました。スタートメニューまたは通知領域のアイコンから開き直してください。\"}";

std::uint64_t fakeNow = 5000000;
std::uint64_t FakeClock() { return fakeNow; }

class Gate : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeNow = 5000000;
    session.listener.port = 8890;
    session.cookieName = "fc_8890";
    session.cookieSecret = RandomHex(32);
    session.tickets.clock = FakeClock;
  }

  std::string Cookie() const { return session.cookieName + "=" + session.cookieSecret; }

  // A request as the program's own page sends it.
  HttpRequest Admitted(std::string method, std::string path) const {
    HttpRequest request;
    request.method = std::move(method);
    request.path = std::move(path);
    request.headers = {{"host", "127.0.0.1:8890"}, {"origin", kOrigin}, {"cookie", Cookie()}};
    return request;
  }

  HttpRequest TicketRequest(const std::string& ticket) const {
    HttpRequest request;
    request.method = "GET";
    request.path = "/";
    request.query["ticket"] = ticket;
    request.headers = {{"host", "127.0.0.1:8890"}, {"sec-fetch-site", "none"}};
    return request;
  }

  AppState app;
  DocumentSession session{app};
};

std::vector<std::string> HeaderNames(const HttpResponse& response) {
  std::vector<std::string> names;
  for (const auto& header : response.headers) names.push_back(header.first);
  return names;
}

const std::vector<std::string> kSecurityNames = {"Content-Security-Policy", "X-Content-Type-Options",
                                                 "X-Frame-Options", "Referrer-Policy",
                                                 "Cross-Origin-Resource-Policy"};

}  // namespace

TEST_F(Gate, HostMustBeLoopbackWithThisPort) {
  HttpRequest request = Admitted("GET", "/api/nothing");
  for (const char* host : {"127.0.0.1:8890", "localhost:8890", "LOCALHOST:8890", "LocalHost:8890"}) {
    request.headers["host"] = host;
    EXPECT_TRUE(CheckHost(session, request)) << host;
  }
  for (const char* host : {"127.0.0.1", "127.0.0.1:8891", "localhost", "[::1]:8890", "127.0.0.1.:8890",
                           "localhost.:8890", "evil.example:8890", "127.0.0.1:08890", " 127.0.0.1:8890", ""}) {
    request.headers["host"] = host;
    EXPECT_FALSE(CheckHost(session, request)) << host;
    EXPECT_EQ(GateRequest(session, request).body, "{\"error\":\"host_not_allowed\",\"message\":\"\"}");
  }
  request.headers.erase("host");
  EXPECT_FALSE(CheckHost(session, request));
  EXPECT_EQ(GateRequest(session, request).status, 403);
}

TEST_F(Gate, OriginAndFetchSite) {
  HttpRequest request = Admitted("POST", "/api/images");
  EXPECT_TRUE(CheckOrigin(session, request));
  request.headers["origin"] = "http://localhost:8890";
  EXPECT_TRUE(CheckOrigin(session, request));
  for (const char* origin : {"http://LOCALHOST:8890", "https://127.0.0.1:8890", "http://127.0.0.1:8890/",
                             "http://127.0.0.1:8891", "http://127.0.0.1", "null", ""}) {
    request.headers["origin"] = origin;
    EXPECT_FALSE(CheckOrigin(session, request)) << origin;
  }
  request.headers["origin"] = kOrigin;
  for (const char* site : {"cross-site", "same-site"}) {
    request.headers["sec-fetch-site"] = site;
    EXPECT_FALSE(CheckOrigin(session, request)) << site;
    const HttpResponse refused = GateRequest(session, request);
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.body, "{\"error\":\"origin_not_allowed\",\"message\":\"\"}");
  }
  for (const char* site : {"same-origin", "none", "Cross-Site"}) {
    request.headers["sec-fetch-site"] = site;
    EXPECT_TRUE(CheckOrigin(session, request)) << site;
  }
  request.headers.erase("sec-fetch-site");
  request.headers.erase("origin");
  for (const char* method : {"POST", "PUT", "DELETE", "HEAD", "get"}) {
    request.method = method;
    EXPECT_FALSE(CheckOrigin(session, request)) << method;
  }
  request.method = "GET";
  EXPECT_TRUE(CheckOrigin(session, request));
}

TEST_F(Gate, CookieMatching) {
  HttpRequest request = Admitted("GET", "/");
  const std::string stale = session.cookieName + "=" + std::string(64, '0');
  const std::vector<std::pair<std::string, bool>> cases = {
      {Cookie(), true},
      {"theme=dark; " + stale + "; " + Cookie(), true},
      {"  ;;" + Cookie() + ";", true},
      {Cookie() + " ", false},
      {Cookie() + " ; x=1", false},
      {stale, false},
      {"fc_8891=" + session.cookieSecret, false},
      {"fc_8890 =" + session.cookieSecret, false},
      {"fc_8890=\"" + session.cookieSecret + "\"", false},
      {"fc_8890=" + session.cookieSecret.substr(1), false},
      {"fc_8890", false},
      {"", false},
  };
  for (const auto& [header, expected] : cases) {
    request.headers["cookie"] = header;
    EXPECT_EQ(HasSessionCookie(session, request), expected) << header;
  }
  request.headers.erase("cookie");
  EXPECT_FALSE(HasSessionCookie(session, request));

  // A session whose secret could not be drawn admits nobody, not even an empty value.
  session.cookieSecret.clear();
  request.headers["cookie"] = "fc_8890=";
  EXPECT_FALSE(HasSessionCookie(session, request));
}

TEST_F(Gate, TicketIsTradedOnceForTheCookie) {
  const std::string ticket = IssueTicket(session.tickets);
  HttpRequest request = TicketRequest(ticket);
  request.query["page"] = kPage;
  const HttpResponse first = HandleRequest(session, request);
  EXPECT_EQ(first.status, 302);
  EXPECT_EQ(first.contentType, "");
  EXPECT_EQ(first.body, "");
  ASSERT_GE(first.headers.size(), 2u);
  EXPECT_EQ(first.headers[0], (std::pair<std::string, std::string>{"Location", "/#/p/" + kPage}));
  EXPECT_EQ(first.headers[1].first, "Set-Cookie");
  EXPECT_EQ(first.headers[1].second, Cookie() + "; Path=/; HttpOnly; SameSite=Strict");

  const HttpResponse second = HandleRequest(session, request);
  EXPECT_EQ(second.status, 401);
  EXPECT_EQ(second.contentType, "text/html; charset=utf-8");
  EXPECT_EQ(second.body, kReopenPage);
  EXPECT_EQ(second.body.size(), 342u);
}

TEST_F(Gate, TicketExpiresAfterSixtySecondsAndIsGoneAfterward) {
  const std::string ticket = IssueTicket(session.tickets);
  fakeNow += 61000;
  EXPECT_EQ(GateRequest(session, TicketRequest(ticket)).status, 401);
  fakeNow -= 61000;
  EXPECT_EQ(GateRequest(session, TicketRequest(ticket)).status, 401);
}

TEST_F(Gate, UpperCaseTicketIsRefused) {
  std::string ticket = IssueTicket(session.tickets);
  for (char& c : ticket) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  EXPECT_EQ(GateRequest(session, TicketRequest(ticket)).status, 401);
}

TEST_F(Gate, RedirectTargetNeedsAValidPage) {
  for (const std::string& page : {std::string("not-a-page"), std::string("0F8FAD5B-D9CB-469F-A165-70867728950E"),
                                  kPage + "x", std::string()}) {
    HttpRequest request = TicketRequest(IssueTicket(session.tickets));
    request.query["page"] = page;
    const HttpResponse response = GateRequest(session, request);
    EXPECT_EQ(response.status, 302);
    EXPECT_EQ(response.headers.at(0).second, "/") << page;
  }
}

TEST_F(Gate, CookieWithSpentTicketRedirectsWithoutNewCookie) {
  HttpRequest request = TicketRequest(std::string(64, 'a'));
  request.headers["cookie"] = Cookie();
  const HttpResponse response = GateRequest(session, request);
  EXPECT_EQ(response.status, 302);
  ASSERT_EQ(response.headers.size(), 1u);
  EXPECT_EQ(response.headers[0].first, "Location");
}

TEST_F(Gate, TicketExchangeOnlyForGetOfTheRoot) {
  HttpRequest request = TicketRequest(IssueTicket(session.tickets));
  request.path = "/index";
  EXPECT_EQ(GateRequest(session, request).status, 401);
}

TEST_F(Gate, WithoutCookie) {
  HttpRequest api = Admitted("GET", "/api/status");
  api.headers.erase("cookie");
  const HttpResponse apiAnswer = GateRequest(session, api);
  EXPECT_EQ(apiAnswer.status, 401);
  EXPECT_EQ(apiAnswer.body, kReopenBody);

  HttpRequest other = Admitted("POST", "/anything");
  other.headers.erase("cookie");
  const HttpResponse page = GateRequest(session, other);
  EXPECT_EQ(page.status, 401);
  EXPECT_EQ(page.body, kReopenPage);
  EXPECT_TRUE(page.headers.empty());
}

TEST_F(Gate, WithCookieRoutesByPrefixAndMethod) {
  const HttpResponse deleteRoot = GateRequest(session, Admitted("DELETE", "/"));
  EXPECT_EQ(deleteRoot.status, 405);
  EXPECT_EQ(deleteRoot.body, "{\"error\":\"method_not_allowed\",\"message\":\"\"}");
  EXPECT_EQ(GateRequest(session, Admitted("HEAD", "/")).status, 405);
  EXPECT_EQ(GateRequest(session, Admitted("GET", "/api")).status, 404);
  EXPECT_EQ(GateRequest(session, Admitted("GET", "/API/status")).status, 404);
  // Reaches the router, which refuses the method: not the gate's 405 for non-API paths.
  EXPECT_EQ(GateRequest(session, Admitted("PATCH", "/api/nothing")).status, 405);
  EXPECT_EQ(GateRequest(session, Admitted("PUT", "/api/nothing")).status, 404);
  const HttpResponse page = GateRequest(session, Admitted("GET", "/"));
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
}

TEST_F(Gate, EveryAnswerCarriesTheSecurityHeaders) {
  HttpRequest noHost = Admitted("GET", "/");
  noHost.headers.erase("host");
  HttpRequest noCookie = Admitted("GET", "/");
  noCookie.headers.erase("cookie");
  std::vector<HttpRequest> requests = {noHost, noCookie, TicketRequest(IssueTicket(session.tickets)),
                                       Admitted("GET", "/"), Admitted("DELETE", "/"),
                                       Admitted("GET", "/api/nothing")};
  for (const HttpRequest& request : requests) {
    const HttpResponse response = HandleRequest(session, request);
    std::vector<std::string> names = HeaderNames(response);
    ASSERT_GE(names.size(), 6u) << request.path;
    names.erase(names.begin(), names.end() - 6);
    std::vector<std::string> expected = kSecurityNames;
    expected.push_back("Cache-Control");
    EXPECT_EQ(names, expected) << response.status;
    EXPECT_EQ(response.headers.back().second, "no-store");
    EXPECT_EQ(response.headers[response.headers.size() - 6].second,
              "default-src 'none'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self'; "
              "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
  }
}
