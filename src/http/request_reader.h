#pragma once
// Reads the one request of a connection within fixed limits and parses its head.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "http/deadline.h"
#include "http/request.h"
#include "http/response.h"
#include "platform/sockets.h"

constexpr std::size_t kReceiveBufferSize = 65536;  // also the most bytes buffered while no head ended
constexpr std::size_t kMaxBodyLength = 33554432;   // 32 MiB
constexpr std::size_t kMaxContentLengthDigits = 12;

enum class ReadOutcome {
  Request,  // request holds a complete request
  Refused,  // refusal holds the connection layer's error answer
  Nothing,  // the peer sent no byte at all; close without an answer
};

// One receive call: bytes received (at most capacity), 0 when the peer closed, below 0 on error
// or when the time is up.
using ReceivePiece = std::function<std::int64_t(char* buffer, std::size_t capacity)>;

ReadOutcome ReadRequestWith(const ReceivePiece& receive, HttpRequest& request, HttpResponse& refusal);

// The whole request, head and body, must arrive before the deadline.
ReadOutcome ReadRequest(platform::SocketHandle socket, Deadline deadline, HttpRequest& request,
                        HttpResponse& refusal);

// Fills method, path, query and headers from a head without its terminating blank line.
// False when the head does not parse (a 400 "bad_request").
bool ParseRequestHead(std::string_view head, HttpRequest& request);
