#pragma once
// Loopback TCP sockets for the listeners and their connections.
#include <cstdint>

namespace platform {

using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

}  // namespace platform
