#pragma once
// One loopback listener per document session: an accept thread and one thread per connection.
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "http/request.h"
#include "http/response.h"
#include "platform/sockets.h"

using RequestHandler = std::function<HttpResponse(const HttpRequest&)>;

struct HttpListener {
  std::atomic<platform::SocketHandle> listenSocket{platform::kNoSocket};
  std::uint32_t port = 0;
  RequestHandler handler;
  std::thread acceptThread;
  std::atomic<std::int32_t> activeConnections{0};

  HttpListener() = default;
  HttpListener(const HttpListener&) = delete;
  HttpListener& operator=(const HttpListener&) = delete;
  ~HttpListener();
};

// True when 127.0.0.1:port is bound, listening and served by a running accept thread.
bool StartListener(HttpListener& listener, std::uint32_t port, RequestHandler handler);

// Stops accepting and waits at most 5 seconds for running connections.
void StopListener(HttpListener& listener);
