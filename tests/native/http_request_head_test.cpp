#include <gtest/gtest.h>

#include <map>
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
