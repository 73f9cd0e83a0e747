#pragma once
// One time limit for a whole exchange with a peer, however it trickles its bytes.
#include <chrono>
#include <cstdint>

#include "platform/sockets.h"

using Deadline = std::chrono::steady_clock::time_point;

Deadline DeadlineIn(std::uint32_t milliseconds);

// Gives the socket's next receive and send only the time left; false when none is left.
bool LimitToDeadline(platform::SocketHandle socket, Deadline deadline);
