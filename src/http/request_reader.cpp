#include "http/request_reader.h"

#include <algorithm>
#include <string>
#include <vector>

#include "util/text.h"

namespace {

std::string_view TrimSpacesAndTabs(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

void ParseQuery(std::string_view text, std::map<std::string, std::string>& query) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view piece = text.substr(start, end - start);
    const std::size_t equals = piece.find('=');
    if (equals != std::string_view::npos) {
      query[std::string(piece.substr(0, equals))] = std::string(piece.substr(equals + 1));
    }
    start = end + 1;
  }
}

// Body length from the content-length header; false with the refusal when it is not allowed.
bool BodyLength(const HttpRequest& request, std::size_t& length, HttpResponse& refusal) {
  length = 0;
  const auto found = request.headers.find("content-length");
  if (found == request.headers.end()) return true;
  const std::string& value = found->second;
  if (value.empty() || value.size() > kMaxContentLengthDigits ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    refusal = ConnectionErrorResponse(400, "bad_length");
    return false;
  }
  std::uint64_t number = 0;
  for (const char digit : value) number = number * 10 + static_cast<std::uint64_t>(digit - '0');
  if (number > kMaxBodyLength) {
    refusal = ConnectionErrorResponse(413, "too_large");
    return false;
  }
  length = static_cast<std::size_t>(number);
  return true;
}

}  // namespace

bool ParseRequestHead(std::string_view head, HttpRequest& request) {
  HttpRequest parsed;
  const std::size_t lineEnd = head.find("\r\n");
  const std::string_view requestLine = head.substr(0, lineEnd);

  const std::size_t firstSpace = requestLine.find(' ');
  if (firstSpace == std::string_view::npos || firstSpace + 1 >= requestLine.size()) return false;
  const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
  if (secondSpace == std::string_view::npos) return false;
  const std::string_view target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
  if (target.empty() || target.front() != '/') return false;

  parsed.method = std::string(requestLine.substr(0, firstSpace));
  const std::size_t question = target.find('?');
  parsed.path = std::string(target.substr(0, question));
  if (question != std::string_view::npos) ParseQuery(target.substr(question + 1), parsed.query);

  if (lineEnd != std::string_view::npos) {
    std::size_t start = lineEnd + 2;
    while (start <= head.size()) {
      std::size_t end = head.find("\r\n", start);
      if (end == std::string_view::npos) end = head.size();
      const std::string_view line = head.substr(start, end - start);
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos || colon == 0) return false;
      std::string name = AsciiLower(line.substr(0, colon));
      // Two host lines could be read differently by different readers: refuse them.
      if (name == "host" && parsed.headers.contains("host")) return false;
      parsed.headers[std::move(name)] = std::string(TrimSpacesAndTabs(line.substr(colon + 1)));
      start = end + 2;
    }
  }
  request = std::move(parsed);
  return true;
}

ReadOutcome ReadRequestWith(const ReceivePiece& receive, HttpRequest& request, HttpResponse& refusal,
                            const HeadCheck& checkHead) {
  std::vector<char> buffer(kReceiveBufferSize, 0);
  std::string data;
  std::size_t headEnd = std::string::npos;

  while (data.size() < kReceiveBufferSize) {
    const std::int64_t got = receive(buffer.data(), buffer.size());
    if (got <= 0) break;  // closed, failed or timed out
    // Only the new bytes and the three before them can complete the blank line.
    const std::size_t searchFrom = data.size() >= 3 ? data.size() - 3 : 0;
    data.append(buffer.data(), static_cast<std::size_t>(got));
    headEnd = data.find("\r\n\r\n", searchFrom);
    if (headEnd != std::string::npos) break;
  }

  if (headEnd == std::string::npos) {
    if (data.empty()) return ReadOutcome::Nothing;
    refusal = ConnectionErrorResponse(400, "bad_request");
    return ReadOutcome::Refused;
  }
  HttpRequest parsed;
  if (!ParseRequestHead(std::string_view(data).substr(0, headEnd), parsed)) {
    refusal = ConnectionErrorResponse(400, "bad_request");
    return ReadOutcome::Refused;
  }
  if (parsed.headers.contains("transfer-encoding")) {
    refusal = ConnectionErrorResponse(400, "chunked_not_supported");
    return ReadOutcome::Refused;
  }
  std::size_t length = 0;
  if (!BodyLength(parsed, length, refusal)) return ReadOutcome::Refused;

  if (checkHead) {
    if (std::optional<HttpResponse> answer = checkHead(parsed)) {
      // Refused: the body is only counted as it arrives, so a refused peer never makes us hold it.
      std::size_t received = std::min(data.size() - (headEnd + 4), length);
      while (received < length) {
        const std::int64_t got = receive(buffer.data(), std::min(buffer.size(), length - received));
        if (got <= 0) {
          refusal = ConnectionErrorResponse(400, "incomplete");
          return ReadOutcome::Refused;
        }
        received += static_cast<std::size_t>(got);
      }
      refusal = std::move(*answer);
      return ReadOutcome::Refused;
    }
  }

  parsed.body.reserve(length);  // sized once from the header instead of grown as bytes arrive
  parsed.body.assign(data, headEnd + 4);
  while (parsed.body.size() < length) {
    const std::int64_t got = receive(buffer.data(), buffer.size());
    if (got <= 0) {
      refusal = ConnectionErrorResponse(400, "incomplete");
      return ReadOutcome::Refused;
    }
    parsed.body.append(buffer.data(), static_cast<std::size_t>(got));
  }
  parsed.body.resize(length);  // whatever follows the body is dropped
  request = std::move(parsed);
  return ReadOutcome::Request;
}

ReadOutcome ReadRequest(platform::SocketHandle socket, Deadline deadline, HttpRequest& request,
                        HttpResponse& refusal, const HeadCheck& checkHead) {
  const ReceivePiece receive = [socket, deadline](char* buffer, std::size_t capacity) -> std::int64_t {
    if (!LimitToDeadline(socket, deadline)) return -1;
    return platform::Receive(socket, buffer, capacity);
  };
  return ReadRequestWith(receive, request, refusal, checkHead);
}
