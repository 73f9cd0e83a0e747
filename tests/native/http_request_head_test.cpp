#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "http/request_reader.h"

namespace {

using Map = std::map<std::string, std::string>;

}  // namespace

TEST(ParseRequestHead, RequestLine) {
  HttpRequest request;
  ASSERT_TRUE(ParseRequestHead("GET / HTTP/1.1\r\nHost: 127.0.0.1:8890", request));
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.path, "/");
  EXPECT_TRUE(request.query.empty());
  EXPECT_EQ(request.headers, (Map{{"host", "127.0.0.1:8890"}}));
  ASSERT_TRUE(ParseRequestHead("GET /A/./b//../%2e HTTP/1.1", request));
  EXPECT_EQ(request.path, "/A/./b//../%2e");  // neither decoded nor normalised
  EXPECT_TRUE(request.headers.empty());
  // An empty target, one that is not a path, a missing target.
  for (const char* line : {"GET  / HTTP/1.1", "GET x HTTP/1.1", "GET /", "GET", "GET ", ""}) {
    EXPECT_FALSE(ParseRequestHead(line, request)) << line;
  }
}

TEST(ParseRequestHead, Query) {
  HttpRequest request;
  ASSERT_TRUE(ParseRequestHead("GET /a/b?x=1&x=2&flag&=v&y=a=b&p=%41+b HTTP/1.1", request));
  EXPECT_EQ(request.path, "/a/b");
  EXPECT_EQ(request.query, (Map{{"x", "2"}, {"y", "a=b"}, {"", "v"}, {"p", "%41+b"}}));
  ASSERT_TRUE(ParseRequestHead("GET /?& HTTP/1.1", request));
  EXPECT_EQ(request.path, "/");
  EXPECT_TRUE(request.query.empty());
}

TEST(ParseRequestHead, HeaderNamesAndValues) {
  HttpRequest request;
  ASSERT_TRUE(ParseRequestHead(
      "GET / HTTP/1.1\r\nX-Thing: \t one two \t\r\nX-THING: second\r\nEmpty:\r\nHost : spaced\r\n"
      "Lone: a\nb\rc",
      request));
  EXPECT_EQ(request.headers.at("x-thing"), "second");
  EXPECT_EQ(request.headers.at("empty"), "");
  EXPECT_EQ(request.headers.at("host "), "spaced");  // not the host header
  EXPECT_FALSE(request.headers.contains("host"));
  EXPECT_EQ(request.headers.at("lone"), "a\nb\rc");  // only CR LF ends a line
}

TEST(ParseRequestHead, RefusedHeaders) {
  HttpRequest request;
  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nHost: a\r\nhOsT: a", request));
  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nno colon", request));
  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\n: starts with colon", request));
  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nA: b\r\n folded continuation", request));
  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\n", request));  // an empty header line
}

// A head the check refuses is answered by the check once its body has gone by unkept; the
// connection-layer limits still hold. The reader is fed from memory, 64 KiB a receive.
TEST(ReadRequestWith, ARefusedHeadIsDecidedBeforeItsBodyAndTheBodyIsNeverKept) {
  const std::string head = "PUT /x HTTP/1.1\r\nContent-Length: 33554432\r\n\r\n";
  struct Case {
    bool refuse;
    std::size_t bodySent;
    ReadOutcome outcome;
    int status;
  };
  for (const Case& c : {Case{true, kMaxBodyLength, ReadOutcome::Refused, 403},
                        Case{true, kMaxBodyLength - 1, ReadOutcome::Refused, 400},
                        Case{false, kMaxBodyLength, ReadOutcome::Request, 0}}) {
    std::size_t handedOut = 0;
    std::size_t handedOutAtCheck = 0;
    const std::size_t total = head.size() + c.bodySent;
    const ReceivePiece receive = [&](char* buffer, std::size_t capacity) -> std::int64_t {
      const std::size_t count = std::min(capacity, total - handedOut);
      for (std::size_t i = 0; i < count; ++i) {
        buffer[i] = handedOut + i < head.size() ? head[handedOut + i] : 'b';
      }
      handedOut += count;
      return static_cast<std::int64_t>(count);
    };
    const HeadCheck check = [&](const HttpRequest&) -> std::optional<HttpResponse> {
      handedOutAtCheck = handedOut;
      if (!c.refuse) return std::nullopt;
      return ErrorResponse(403, "origin_not_allowed", "");
    };
    HttpRequest request;
    HttpResponse refusal;
    EXPECT_EQ(ReadRequestWith(receive, request, refusal, check), c.outcome);
    EXPECT_LE(handedOutAtCheck, kReceiveBufferSize);  // decided on the head
    EXPECT_EQ(handedOut, total);                      // every byte was read off the connection
    if (c.outcome == ReadOutcome::Refused) {
      EXPECT_EQ(refusal.status, c.status);
      EXPECT_TRUE(request.body.empty());
    } else {
      EXPECT_EQ(request.body.size(), kMaxBodyLength);
    }
  }
}
