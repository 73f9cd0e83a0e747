#pragma once
// Reads the one request of a connection within fixed limits and parses its head.
#include <cstddef>
#include <string_view>

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

ReadOutcome ReadRequest(platform::SocketHandle socket, HttpRequest& request, HttpResponse& refusal);

// Fills method, path, query and headers from a head without its terminating blank line.
// False when the head does not parse (a 400 "bad_request").
bool ParseRequestHead(std::string_view head, HttpRequest& request);
