#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/response.h"
#include "http/response_sender.h"

namespace {

// Records every send call; fails the call numbered failAt (counting from 0), if any.
struct RecordingSink {
  std::vector<std::size_t> calls;
  std::string bytes;
  int failAt = -1;

  SendPiece Piece() {
    return [this](const char* data, std::size_t length) -> std::int64_t {
      if (static_cast<int>(calls.size()) == failAt) {
        calls.push_back(length);
        return -1;
      }
      calls.push_back(length);
      bytes.append(data, length);
      return static_cast<std::int64_t>(length);
    };
  }
};

std::string Sent(const HttpResponse& response) {
  RecordingSink sink;
  EXPECT_TRUE(SendResponseWith(response, sink.Piece()));
  return sink.bytes;
}

}  // namespace

TEST(SendResponse, NoTypeAndExtraHeadersInOrder) {
  HttpResponse response = DefaultResponse();
  response.status = 204;
  response.contentType.clear();
  response.headers = {{"X-A", "1"}, EtagHeader("\"abc\""), {"X-A", "2"}};
  EXPECT_EQ(Sent(response), "HTTP/1.1 204 No Content\r\nX-A: 1\r\nETag: \"abc\"\r\nX-A: 2\r\nConnection: close\r\n"
                            "Content-Length: 0\r\n\r\n");
}

TEST(SendResponse, PartialSendsContinueWhereTheyStopped) {
  HttpResponse response = DefaultResponse();
  response.body = "abcdefghij";
  std::string bytes;
  const SendPiece threeAtATime = [&](const char* data, std::size_t length) -> std::int64_t {
    const std::size_t taken = std::min<std::size_t>(3, length);
    bytes.append(data, taken);
    return static_cast<std::int64_t>(taken);
  };
  ASSERT_TRUE(SendResponseWith(response, threeAtATime));
  EXPECT_EQ(bytes, SerializeHead(response) + "abcdefghij");
}

TEST(SendResponse, AFailedSendEndsAllSending) {
  HttpResponse response = DefaultResponse();
  response.body.assign(2 * 1048576, 'y');
  RecordingSink sink;
  sink.failAt = 1;  // the first piece of the body
  EXPECT_FALSE(SendResponseWith(response, sink.Piece()));
  EXPECT_EQ(sink.calls.size(), 2u);
  RecordingSink headFails;
  headFails.failAt = 0;
  EXPECT_FALSE(SendResponseWith(response, headFails.Piece()));
  EXPECT_EQ(headFails.calls.size(), 1u);
}

TEST(ErrorBodies, EnvelopeAndConnectionError) {
  EXPECT_EQ(ErrorResponse(403, "host_not_allowed", "").body, R"({"error":"host_not_allowed","message":""})");
  const HttpResponse escaped = ErrorResponse(409, "file_failed", "a\"b\\c\nファイル");
  EXPECT_EQ(escaped.status, 409);
  EXPECT_EQ(escaped.body, "{\"error\":\"file_failed\",\"message\":\"a\\\"b\\\\c\\nファイル\"}");
  const HttpResponse connection = ConnectionErrorResponse(413, "too_large");
  EXPECT_EQ(connection.status, 413);
  EXPECT_EQ(connection.contentType, "application/json; charset=utf-8");
  EXPECT_EQ(connection.body, R"({"error":"too_large"})");
}
