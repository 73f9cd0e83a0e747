#pragma once
// Reads the one request of a connection within fixed limits and parses its head.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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

// Looks at a request as soon as its head is parsed, before any body is kept: an answer refuses
// it, nothing lets it through.
using HeadCheck = std::function<std::optional<HttpResponse>(const HttpRequest& head)>;

// A request the head check refuses is Refused with the check's answer once its body has been
// read and thrown away as it arrived (never held; the same limits apply, and a body that does
// not arrive whole is still 400 "incomplete"). An empty check lets every head through.
ReadOutcome ReadRequestWith(const ReceivePiece& receive, HttpRequest& request, HttpResponse& refusal,
                            const HeadCheck& checkHead = {});

// The whole request, head and body, must arrive before the deadline.
ReadOutcome ReadRequest(platform::SocketHandle socket, Deadline deadline, HttpRequest& request,
                        HttpResponse& refusal, const HeadCheck& checkHead = {});

// Fills method, path, query and headers from a head without its terminating blank line.
// False when the head does not parse (a 400 "bad_request").
bool ParseRequestHead(std::string_view head, HttpRequest& request);
