#include "http/response_sender.h"

#include <algorithm>
#include <string>

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
