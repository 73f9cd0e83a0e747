#include "platform/socket_poll.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

void SetNonBlocking(SocketHandle socket, bool nonBlocking) {
  const int flags = ::fcntl(Fd(socket), F_GETFL, 0);
  if (flags < 0) return;
  ::fcntl(Fd(socket), F_SETFL, nonBlocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

AcceptResult AcceptWaiting(SocketHandle listening, SocketHandle& connection) {
  connection = kNoSocket;
  const int fd = ::accept4(Fd(listening), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd >= 0) {
    connection = fd;
    return AcceptResult::Accepted;
  }
  switch (errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
    case ETIMEDOUT:
      return AcceptResult::Transient;
    default:
      return AcceptResult::Failed;
  }
}

std::int64_t ReceiveNow(SocketHandle socket, char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::recv(Fd(socket), buffer, capacity, MSG_DONTWAIT);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    return WouldBlock(errno) ? kWouldBlock : -1;
  }
}

std::int64_t SendNow(SocketHandle socket, const char* data, std::size_t length) {
  for (;;) {
    const ssize_t sent = ::send(Fd(socket), data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return sent;
    if (errno == EINTR) continue;
    return WouldBlock(errno) ? kWouldBlock : -1;
  }
}

int PollSockets(std::vector<PollSlot>& slots, std::uint32_t timeoutMs) {
  std::vector<pollfd> fds(slots.size());
  for (std::size_t i = 0; i < slots.size(); ++i) {
    fds[i].fd = Fd(slots[i].socket);
    fds[i].events = slots[i].wantWrite ? POLLOUT : POLLIN;
  }
  int ready = -1;
  do {
    ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeoutMs));
  } while (ready < 0 && errno == EINTR);
  for (std::size_t i = 0; i < slots.size(); ++i) slots[i].ready = ready > 0 && fds[i].revents != 0;
  return ready;
}

bool OpenWakePair(SocketHandle& sender, SocketHandle& receiver) {
  int pair[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0) return false;
  sender = pair[0];
  receiver = pair[1];
  return true;
}

std::size_t RaiseHandleLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return limit.rlim_cur == RLIM_INFINITY ? 0 : static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace platform
