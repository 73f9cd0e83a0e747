#include "platform/sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace platform {
namespace {

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

sockaddr_in LoopbackAddress(std::uint32_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

SocketHandle OpenLoopbackListener(std::uint32_t port) {
  if (port > 65535) return kNoSocket;
  // Binding a port that another socket listens on must fail, so that two sessions (or another
  // program) never share one port. Linux's SO_REUSEADDR keeps that refusal and only lets us
  // rebind over the closed connections of an earlier run (TIME_WAIT), so a restart keeps its
  // port, and with it the origin of the client's cookie and stored view.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return kNoSocket;
  const int reuse = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  const sockaddr_in address = LoopbackAddress(port);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 512) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

std::uint32_t LocalPort(SocketHandle socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

void SetSocketTimeouts(SocketHandle socket, std::uint32_t milliseconds) {
  timeval timeout{};
  timeout.tv_sec = static_cast<time_t>(milliseconds / 1000);
  timeout.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
  ::setsockopt(Fd(socket), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(Fd(socket), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

std::int64_t Receive(SocketHandle socket, char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::recv(Fd(socket), buffer, capacity, 0);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

std::int64_t Send(SocketHandle socket, const char* data, std::size_t length) {
  for (;;) {
    const ssize_t sent = ::send(Fd(socket), data, length, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    return sent;
  }
}

void ShutdownBoth(SocketHandle socket) { ::shutdown(Fd(socket), SHUT_RDWR); }

void ShutdownSend(SocketHandle socket) { ::shutdown(Fd(socket), SHUT_WR); }

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) ::close(Fd(socket));
}

SocketHandle ConnectLoopback(std::uint32_t port) {
  if (port == 0 || port > 65535) return kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return kNoSocket;
  const sockaddr_in address = LoopbackAddress(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

}  // namespace platform
