// Waking a blocked accept on Windows, where closing or shutting the socket is no way to do it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/sockets.h"

TEST(Win32Sockets, InterruptWakesABlockedAcceptAndKeepsTheHandle) {
  const platform::SocketHandle listening = platform::OpenLoopbackListener(0);
  ASSERT_NE(listening, platform::kNoSocket);
  const std::uint32_t port = platform::LocalPort(listening);
  ASSERT_NE(port, 0u);

  std::atomic<int> result{-1};
  std::thread waiter([&] {
    platform::SocketHandle connection = platform::kNoSocket;
    result = static_cast<int>(platform::AcceptConnection(listening, connection));
    EXPECT_EQ(connection, platform::kNoSocket);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it block
  EXPECT_EQ(result.load(), -1);
  platform::InterruptAccept(listening);
  waiter.join();
  EXPECT_EQ(result.load(), static_cast<int>(platform::AcceptResult::Failed));

  // Later accepts fail at once, even with a connection waiting; the handle is still ours.
  const platform::SocketHandle client = platform::ConnectLoopback(port);
  platform::SocketHandle connection = platform::kNoSocket;
  EXPECT_EQ(platform::AcceptConnection(listening, connection), platform::AcceptResult::Failed);
  EXPECT_EQ(platform::LocalPort(listening), port);
  platform::CloseSocket(client);
  platform::CloseSocket(listening);
}

TEST(Win32Sockets, TimeoutsEndAReceiveThatWaitsForever) {
  const platform::SocketHandle listening = platform::OpenLoopbackListener(0);
  ASSERT_NE(listening, platform::kNoSocket);
  const platform::SocketHandle client = platform::ConnectLoopback(platform::LocalPort(listening));
  platform::SocketHandle server = platform::kNoSocket;
  ASSERT_EQ(platform::AcceptConnection(listening, server), platform::AcceptResult::Accepted);
  platform::SetSocketTimeouts(server, 200);
  char byte = 0;
  EXPECT_LT(platform::Receive(server, &byte, 1), 0);  // a silent peer: the receive gives up
  platform::CloseSocket(server);
  platform::CloseSocket(client);
  platform::CloseSocket(listening);
}
