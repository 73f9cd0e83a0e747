#pragma once
// Loopback TCP sockets for the listeners and their connections. Handles are plain values;
// whoever opens or accepts one closes it with CloseSocket.
#include <cstddef>
#include <cstdint>

namespace platform {

using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// A TCP socket bound to 127.0.0.1:port and listening with a backlog of 512. The address is
// never shared: a port that another socket already listens on fails. Port 0 lets the system
// choose (see LocalPort). kNoSocket on failure, including a port above 65535.
SocketHandle OpenLoopbackListener(std::uint32_t port);

// The port a bound socket is bound to; 0 when it cannot be told.
std::uint32_t LocalPort(SocketHandle socket);

enum class AcceptResult {
  Accepted,   // connection holds the new socket
  Transient,  // this attempt failed (interrupted, aborted by the peer, out of handles); try again
  Failed,     // the listening socket is closed, interrupted or unusable
};

// Receive and send timeouts of a connection, in milliseconds.
void SetSocketTimeouts(SocketHandle socket, std::uint32_t milliseconds);

// Bytes received (at most capacity), 0 when the peer closed, below 0 on error or timeout.
std::int64_t Receive(SocketHandle socket, char* buffer, std::size_t capacity);

// Bytes accepted (at most length), 0 or below on failure. A peer that has gone away never
// raises a signal; the call just fails.
std::int64_t Send(SocketHandle socket, const char* data, std::size_t length);

// Ends both directions of a connection (so the peer sees the end), without closing the handle.
void ShutdownBoth(SocketHandle socket);

// Ends only the sending direction (a half close): the peer reads the end of the stream.
void ShutdownSend(SocketHandle socket);

void CloseSocket(SocketHandle socket);

// A client connection to 127.0.0.1:port; kNoSocket on failure. Used by tests and by helpers
// that talk to a running listener.
SocketHandle ConnectLoopback(std::uint32_t port);

}  // namespace platform
