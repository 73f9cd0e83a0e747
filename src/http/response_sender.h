#pragma once
// Writes an answer to its connection: the head, then the body, in pieces of at most 1 MiB,
// either waiting for the peer until a deadline or only as far as it takes bytes right now.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "http/deadline.h"
#include "http/response.h"
#include "platform/sockets.h"

constexpr std::size_t kMaxSendPiece = 1048576;

// One send call: bytes accepted, 0 or below on failure.
using SendPiece = std::function<std::int64_t(const char* data, std::size_t length)>;

// Sends head and body through sendPiece; the first failed call ends all sending.
// True when every byte was accepted.
bool SendResponseWith(const HttpResponse& response, const SendPiece& sendPiece);

// Every byte must be accepted before the deadline, not each piece on its own.
bool SendResponse(platform::SocketHandle socket, Deadline deadline, const HttpResponse& response);

// An answer on its way out over a non-blocking socket: the same bytes as SendResponse sends.
struct OutgoingAnswer {
  std::string head;  // a small answer's body rides along with its head
  std::string body;
  std::size_t sent = 0;  // bytes of head and then body already taken by the peer

  std::size_t Left() const { return head.size() + body.size() - sent; }
};

OutgoingAnswer PrepareAnswer(HttpResponse&& response);

enum class SendProgress { Done, Waiting, Failed };

// Sends what the socket takes now: Done when nothing is left, Waiting when the peer must read
// first, Failed when the connection broke.
SendProgress SendWhatFits(platform::SocketHandle socket, OutgoingAnswer& answer);

// Sends the rest, waiting for the peer, until the deadline; the socket must be blocking.
bool SendRestBefore(platform::SocketHandle socket, Deadline deadline, OutgoingAnswer& answer);
