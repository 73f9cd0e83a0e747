#pragma once
// Writes an answer to its connection: the head, then the body, in pieces of at most 1 MiB.
#include <cstddef>
#include <cstdint>
#include <functional>

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
