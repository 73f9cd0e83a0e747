// Receive timeouts on Windows, where Winsock takes them in a form of its own.
#include <gtest/gtest.h>

#include "platform/socket_poll.h"
#include "platform/sockets.h"

TEST(Win32Sockets, TimeoutsEndAReceiveThatWaitsForever) {
  const platform::SocketHandle listening = platform::OpenLoopbackListener(0);
  ASSERT_NE(listening, platform::kNoSocket);
  const platform::SocketHandle client = platform::ConnectLoopback(platform::LocalPort(listening));
  platform::SocketHandle server = platform::kNoSocket;
  platform::AcceptResult accepted = platform::AcceptResult::Transient;
  while (accepted == platform::AcceptResult::Transient) accepted = platform::AcceptWaiting(listening, server);
  ASSERT_EQ(accepted, platform::AcceptResult::Accepted);
  platform::SetNonBlocking(server, false);
  platform::SetSocketTimeouts(server, 200);
  char byte = 0;
  EXPECT_LT(platform::Receive(server, &byte, 1), 0);  // a silent peer: the receive gives up
  platform::CloseSocket(server);
  platform::CloseSocket(client);
  platform::CloseSocket(listening);
}
