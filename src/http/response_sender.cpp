#include "http/response_sender.h"

#include <algorithm>
#include <string>

namespace {

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
  return SendAll(SerializeHead(response), sendPiece) && SendAll(response.body, sendPiece);
}

bool SendResponse(platform::SocketHandle socket, Deadline deadline, const HttpResponse& response) {
  return SendResponseWith(response, [socket, deadline](const char* data, std::size_t length) -> std::int64_t {
    if (!LimitToDeadline(socket, deadline)) return -1;
    return platform::Send(socket, data, length);
  });
}
