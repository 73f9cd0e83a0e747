#pragma once
// Reads the one request of a connection within fixed limits: the head through a HeadReader,
// then the body of an admitted request.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "http/deadline.h"
#include "http/head_reader.h"
#include "http/request.h"
#include "http/response.h"
#include "platform/sockets.h"

enum class ReadOutcome {
  Request,  // request holds a complete request
  Refused,  // refusal holds the connection layer's error answer
  Nothing,  // the peer sent no byte at all; close without an answer
};

// One receive call: bytes received (at most capacity), 0 when the peer closed, below 0 on error
// or when the time is up.
using ReceivePiece = std::function<std::int64_t(char* buffer, std::size_t capacity)>;

// A request the head check refuses is Refused with the check's answer once its body has been
// read and thrown away as it arrived (never held; the same limits apply, and a body that does
// not arrive whole is still 400 "incomplete"). An empty check lets every head through.
ReadOutcome ReadRequestWith(const ReceivePiece& receive, HttpRequest& request, HttpResponse& refusal,
                            const HeadCheck& checkHead = {});

// Receives the rest of an admitted request's body, which holds what came with the head, up to
// length bytes. False with 400 "incomplete" in refusal when the peer stops short.
bool ReadRequestBody(const ReceivePiece& receive, HttpRequest& request, std::size_t length, HttpResponse& refusal);

// A receive on a blocking socket that gives up at the deadline.
ReceivePiece ReceiveBefore(platform::SocketHandle socket, Deadline deadline);
