#include "http/request_reader.h"

#include <string_view>
#include <vector>

ReadOutcome ReadRequestWith(const ReceivePiece& receive, HttpRequest& request, HttpResponse& refusal,
                            const HeadCheck& checkHead) {
  std::vector<char> buffer(kReceiveBufferSize, 0);
  HeadReader reader(&checkHead);
  HeadReader::Step step = HeadReader::Step::More;
  while (step == HeadReader::Step::More) {
    const std::int64_t got = receive(buffer.data(), buffer.size());
    step = got <= 0 ? reader.End() : reader.Take(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
  switch (step) {
    case HeadReader::Step::Silent:
      return ReadOutcome::Nothing;
    case HeadReader::Step::Admitted:
      if (!ReadRequestBody(receive, reader.Request(), reader.BodyLength(), refusal)) return ReadOutcome::Refused;
      request = std::move(reader.Request());
      return ReadOutcome::Request;
    default:
      refusal = std::move(reader.Answer());
      return ReadOutcome::Refused;
  }
}

bool ReadRequestBody(const ReceivePiece& receive, HttpRequest& request, std::size_t length, HttpResponse& refusal) {
  std::string& body = request.body;
  if (body.size() >= length) {
    body.resize(length);
    return true;
  }
  body.reserve(length);  // sized once from the header instead of grown as bytes arrive
  std::vector<char> buffer(kReceiveBufferSize, 0);
  while (body.size() < length) {
    const std::int64_t got = receive(buffer.data(), buffer.size());
    if (got <= 0) {
      refusal = ConnectionErrorResponse(400, "incomplete");
      return false;
    }
    body.append(buffer.data(), static_cast<std::size_t>(got));
  }
  body.resize(length);  // whatever follows the body is dropped
  return true;
}

ReceivePiece ReceiveBefore(platform::SocketHandle socket, Deadline deadline) {
  return [socket, deadline](char* buffer, std::size_t capacity) -> std::int64_t {
    if (!LimitToDeadline(socket, deadline)) return -1;
    return platform::Receive(socket, buffer, capacity);
  };
}
