#include "http/deadline.h"

Deadline DeadlineIn(std::uint32_t milliseconds) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

bool LimitToDeadline(platform::SocketHandle socket, Deadline deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  if (left <= 0) return false;
  platform::SetSocketTimeouts(socket, static_cast<std::uint32_t>(left));
  return true;
}
