// Loopback sockets with Winsock 2.
#include "platform/sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace platform {
namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

SocketHandle Handle(SOCKET socket) {
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

void StartWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;  // a failed start shows up as failing socket calls
}

sockaddr_in LoopbackAddress(std::uint32_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

SocketHandle OpenLoopbackListener(std::uint32_t port) {
  if (port > 65535) return kNoSocket;
  StartWinsock();
  const SOCKET listening = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listening == INVALID_SOCKET) return kNoSocket;
  // No other socket may bind this address while we hold it, not even with SO_REUSEADDR.
  const int exclusive = 1;
  setsockopt(listening, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  const sockaddr_in address = LoopbackAddress(port);
  if (bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listening, 512) != 0) {
    closesocket(listening);
    return kNoSocket;
  }
  return Handle(listening);
}

std::uint32_t LocalPort(SocketHandle socket) {
  sockaddr_in address{};
  int length = sizeof address;
  if (getsockname(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

void SetSocketTimeouts(SocketHandle socket, std::uint32_t milliseconds) {
  // Winsock takes the timeouts as a DWORD of milliseconds, not as a timeval.
  const DWORD timeout = milliseconds;
  setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  setsockopt(Native(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

std::int64_t Receive(SocketHandle socket, char* buffer, std::size_t capacity) {
  const int size = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
  return recv(Native(socket), buffer, size, 0);
}

std::int64_t Send(SocketHandle socket, const char* data, std::size_t length) {
  // Windows raises no signal for a peer that has gone away; send just fails.
  const int size = length > 0x7fffffff ? 0x7fffffff : static_cast<int>(length);
  return send(Native(socket), data, size, 0);
}

void ShutdownBoth(SocketHandle socket) { shutdown(Native(socket), SD_BOTH); }

void ShutdownSend(SocketHandle socket) { shutdown(Native(socket), SD_SEND); }

void CloseSocket(SocketHandle socket) {
  if (socket == kNoSocket) return;
  closesocket(Native(socket));
}

SocketHandle ConnectLoopback(std::uint32_t port) {
  if (port == 0 || port > 65535) return kNoSocket;
  StartWinsock();
  const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (client == INVALID_SOCKET) return kNoSocket;
  const sockaddr_in address = LoopbackAddress(port);
  if (connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(client);
    return kNoSocket;
  }
  return Handle(client);
}

}  // namespace platform
