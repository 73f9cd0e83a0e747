// Non-blocking sockets and WSAPoll. Winsock has no socket pair, so the wake pair is a loopback
// connection made through a listener that lives only while the pair is made.
#include "platform/socket_poll.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace platform {
namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

int Size(std::size_t length) { return length > 0x7fffffff ? 0x7fffffff : static_cast<int>(length); }

}  // namespace

void SetNonBlocking(SocketHandle socket, bool nonBlocking) {
  u_long mode = nonBlocking ? 1 : 0;
  ioctlsocket(Native(socket), FIONBIO, &mode);
}

AcceptResult AcceptWaiting(SocketHandle listening, SocketHandle& connection) {
  connection = kNoSocket;
  const SOCKET accepted = accept(Native(listening), nullptr, nullptr);
  if (accepted != INVALID_SOCKET) {
    connection = static_cast<SocketHandle>(accepted);
    SetNonBlocking(connection, true);
    return AcceptResult::Accepted;
  }
  switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK:
    case WSAEINTR:
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAEMFILE:
    case WSAENOBUFS:
    case WSAETIMEDOUT:
      return AcceptResult::Transient;
    default:
      return AcceptResult::Failed;
  }
}

std::int64_t ReceiveNow(SocketHandle socket, char* buffer, std::size_t capacity) {
  const int got = recv(Native(socket), buffer, Size(capacity), 0);
  if (got >= 0) return got;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : -1;
}

std::int64_t SendNow(SocketHandle socket, const char* data, std::size_t length) {
  const int sent = send(Native(socket), data, Size(length), 0);
  if (sent >= 0) return sent;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : -1;
}

int PollSockets(std::vector<PollSlot>& slots, std::uint32_t timeoutMs) {
  std::vector<WSAPOLLFD> fds(slots.size());
  for (std::size_t i = 0; i < slots.size(); ++i) {
    fds[i].fd = Native(slots[i].socket);
    fds[i].events = slots[i].wantWrite ? POLLWRNORM : POLLRDNORM;
  }
  const int ready = WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), static_cast<INT>(timeoutMs));
  for (std::size_t i = 0; i < slots.size(); ++i) slots[i].ready = ready > 0 && fds[i].revents != 0;
  return ready == SOCKET_ERROR ? -1 : ready;
}

bool OpenWakePair(SocketHandle& sender, SocketHandle& receiver) {
  sender = kNoSocket;
  receiver = kNoSocket;
  const SocketHandle listening = OpenLoopbackListener(0);
  if (listening == kNoSocket) return false;
  const SocketHandle client = ConnectLoopback(LocalPort(listening));
  // The connection is made, so a plain accept takes it without waiting.
  const SOCKET accepted = client == kNoSocket ? INVALID_SOCKET : accept(Native(listening), nullptr, nullptr);
  const SocketHandle server = accepted == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(accepted);
  CloseSocket(listening);
  if (client == kNoSocket || server == kNoSocket) {
    CloseSocket(client);
    CloseSocket(server);
    return false;
  }
  SetNonBlocking(client, true);
  SetNonBlocking(server, true);
  sender = client;
  receiver = server;
  return true;
}

// Winsock sockets are not bound by the C library's limit on open files.
std::size_t RaiseHandleLimit() { return 0; }

}  // namespace platform
