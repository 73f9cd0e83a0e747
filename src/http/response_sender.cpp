#include "http/response_sender.h"

#include <algorithm>
#include <string>

#include "platform/socket_poll.h"

namespace {

// Answers up to this size are sent with their head in one piece.
constexpr std::size_t kOnePieceBody = 65536;

bool SendAll(const std::string& bytes, const SendPiece& sendPiece) {
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    const std::size_t length = std::min(kMaxSendPiece, bytes.size() - offset);
    const std::int64_t sent = sendPiece(bytes.data() + offset, length);
    if (sent <= 0) return false;
    offset += static_cast<std::size_t>(sent);
  }
  return true;
}

// The next piece of an answer: within its head, else within its body.
std::pair<const char*, std::size_t> NextPiece(const OutgoingAnswer& answer) {
  if (answer.sent < answer.head.size()) {
    return {answer.head.data() + answer.sent, std::min(kMaxSendPiece, answer.head.size() - answer.sent)};
  }
  const std::size_t at = answer.sent - answer.head.size();
  return {answer.body.data() + at, std::min(kMaxSendPiece, answer.body.size() - at)};
}

}  // namespace

bool SendResponseWith(const HttpResponse& response, const SendPiece& sendPiece) {
  std::string head = SerializeHead(response);
  // A small answer goes out in one piece; a large body is not copied for it.
  if (response.body.size() <= kOnePieceBody) return SendAll(head.append(response.body), sendPiece);
  return SendAll(head, sendPiece) && SendAll(response.body, sendPiece);
}

bool SendResponse(platform::SocketHandle socket, Deadline deadline, const HttpResponse& response) {
  return SendResponseWith(response, [socket, deadline](const char* data, std::size_t length) -> std::int64_t {
    if (!LimitToDeadline(socket, deadline)) return -1;
    return platform::Send(socket, data, length);
  });
}

OutgoingAnswer PrepareAnswer(HttpResponse&& response) {
  OutgoingAnswer answer;
  answer.head = SerializeHead(response);
  if (response.body.size() <= kOnePieceBody) {
    answer.head.append(response.body);
  } else {
    answer.body = std::move(response.body);
  }
  response.body = std::string();
  return answer;
}

SendProgress SendWhatFits(platform::SocketHandle socket, OutgoingAnswer& answer) {
  while (answer.Left() > 0) {
    const auto [data, length] = NextPiece(answer);
    const std::int64_t sent = platform::SendNow(socket, data, length);
    if (sent == platform::kWouldBlock) return SendProgress::Waiting;
    if (sent <= 0) return SendProgress::Failed;
    answer.sent += static_cast<std::size_t>(sent);
  }
  return SendProgress::Done;
}

bool SendRestBefore(platform::SocketHandle socket, Deadline deadline, OutgoingAnswer& answer) {
  while (answer.Left() > 0) {
    if (!LimitToDeadline(socket, deadline)) return false;
    const auto [data, length] = NextPiece(answer);
    const std::int64_t sent = platform::Send(socket, data, length);
    if (sent <= 0) return false;
    answer.sent += static_cast<std::size_t>(sent);
  }
  return true;
}
