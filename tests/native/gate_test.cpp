// Cookie matching and the ticket trade; what a hostile page sees of the gate is a whole-program test.
#include "http/gate.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "util/text.h"

namespace {

const std::string kPage = "0f8fad5b-d9cb-469f-a165-70867728950e";

class Gate : public ::testing::Test {
 protected:
  void SetUp() override {
    keys.port = 8890;
    keys.cookieName = "fc_8890";
    keys.cookieSecret = RandomHex(32);
  }

  std::string Cookie() const { return keys.cookieName + "=" + keys.cookieSecret; }

  // A request as the program's own page sends it.
  HttpRequest Admitted(std::string method) const {
    HttpRequest request;
    request.method = std::move(method);
    request.path = "/api/tree";
    request.headers = {{"host", "127.0.0.1:8890"}, {"origin", "http://127.0.0.1:8890"}, {"cookie", Cookie()}};
    return request;
  }

  GateKeys keys;
};

TEST_F(Gate, CookieMatching) {
  HttpRequest request = Admitted("GET");
  const std::string stale = keys.cookieName + "=" + std::string(64, '0');
  const std::vector<std::pair<std::string, bool>> cases = {
      {Cookie(), true},
      {"theme=dark; " + stale + "; " + Cookie(), true},
      {"  ;;" + Cookie() + ";", true},
      {Cookie() + " ", false},
      {Cookie() + " ; x=1", false},
      {stale, false},
      {"fc_8891=" + keys.cookieSecret, false},
      {"fc_8890 =" + keys.cookieSecret, false},
      {"fc_8890=\"" + keys.cookieSecret + "\"", false},
      {"fc_8890=" + keys.cookieSecret.substr(1), false},
      {"fc_8890", false},
      {"", false},
  };
  for (const auto& [header, expected] : cases) {
    request.headers["cookie"] = header;
    EXPECT_EQ(HasSessionCookie(keys, request), expected) << header;
  }

  // Keys whose secret could not be drawn admit nobody, not even an empty value.
  keys.cookieSecret.clear();
  request.headers["cookie"] = "fc_8890=";
  EXPECT_FALSE(HasSessionCookie(keys, request));
}

TEST_F(Gate, TheTicketsRedirectNamesOnlyAPageIdentifier) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {kPage, "/#/p/" + kPage},
      {"0F8FAD5B-D9CB-469F-A165-70867728950E", "/"},
      {"", "/"},
  };
  for (const auto& [page, location] : cases) {
    HttpRequest request;
    request.method = "GET";
    request.path = "/";
    request.query = {{"ticket", IssueTicket(keys.tickets)}, {"page", page}};
    request.headers = {{"host", "127.0.0.1:8890"}, {"sec-fetch-site", "none"}};
    const std::optional<HttpResponse> answer = CheckRequestHead(keys, request);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->status, 302);
    ASSERT_EQ(answer->headers.size(), 2u);
    EXPECT_EQ(answer->headers[0], (std::pair<std::string, std::string>{"Location", location})) << page;
    EXPECT_EQ(answer->headers[1].second, Cookie() + "; Path=/; HttpOnly; SameSite=Strict");
  }
}

TEST_F(Gate, TheHeadCheckRefusesAndTheHandlerRunsOnlyForAnAdmittedHead) {
  int calls = 0;
  const ListenerHandlers handlers = GuardedHandler(keys, [&calls](const HttpRequest&) {
    ++calls;
    return ErrorResponse(418, "handled", "");
  });
  EXPECT_FALSE(handlers.checkHead(Admitted("PUT")).has_value());
  const HttpResponse handled = handlers.handle(Admitted("PUT"));
  EXPECT_EQ(handled.status, 418);
  HttpRequest foreign = Admitted("PUT");
  foreign.headers["origin"] = "http://evil.example";
  const std::optional<HttpResponse> refused = handlers.checkHead(foreign);
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->body, "{\"error\":\"origin_not_allowed\",\"message\":\"\"}");
  HttpRequest noCookie = Admitted("PUT");
  noCookie.headers.erase("cookie");
  EXPECT_EQ(handlers.checkHead(noCookie)->status, 401);
  EXPECT_EQ(calls, 1);
  // Both kinds of answer carry the security headers.
  EXPECT_EQ(refused->headers.size(), handled.headers.size());
  EXPECT_EQ(refused->headers.front().first, "Content-Security-Policy");
}

}  // namespace
