#pragma once
// Waiting on many sockets at once from one thread: sockets that never block, one wait over a
// set of them, a pair of sockets to wake that wait, and room for many open handles.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sockets.h"

namespace platform {

// A non-blocking receive or send that would have had to wait.
constexpr std::int64_t kWouldBlock = -2;

// A connection's calls return at once (kWouldBlock) instead of waiting, or wait again.
void SetNonBlocking(SocketHandle socket, bool nonBlocking);

// Takes one waiting connection from a non-blocking listening socket; the new socket is
// non-blocking too. Transient also when no connection is waiting.
AcceptResult AcceptWaiting(SocketHandle listening, SocketHandle& connection);

// Bytes received (at most capacity), 0 when the peer closed, kWouldBlock, or -1 on error.
std::int64_t ReceiveNow(SocketHandle socket, char* buffer, std::size_t capacity);

// Bytes accepted (at most length), kWouldBlock, or -1 on error. Never raises a signal.
std::int64_t SendNow(SocketHandle socket, const char* data, std::size_t length);

struct PollSlot {
  SocketHandle socket = kNoSocket;
  bool wantWrite = false;  // wait until it can send; else until it can receive
  bool ready = false;      // set by PollSockets: readable, writable, closed or failed
};

// Waits up to timeoutMs for any slot to become ready and marks those that are. The number of
// ready slots, 0 when the time passed, below 0 when the wait itself failed.
int PollSockets(std::vector<PollSlot>& slots, std::uint32_t timeoutMs);

// Two connected sockets, both non-blocking: a byte sent on sender makes receiver readable.
// False when none could be made.
bool OpenWakePair(SocketHandle& sender, SocketHandle& receiver);

// Lets the process hold as many open handles as the system allows it (raises a lower soft
// limit to the hard one where there is one). The number it may hold, or 0 for no known limit.
std::size_t RaiseHandleLimit();

}  // namespace platform
