#pragma once
// One loopback listener per document session: an accept thread and one thread per connection.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>

#include "http/request.h"
#include "http/request_reader.h"
#include "http/response.h"
#include "platform/sockets.h"

using RequestHandler = std::function<HttpResponse(const HttpRequest&)>;

// What a listener serves with: the head check sees each head before its body is read, and what
// it lets through goes, body and all, to the handler.
struct ListenerHandlers {
  HeadCheck checkHead;  // empty: every head goes on
  RequestHandler handle;

  ListenerHandlers() = default;
  ListenerHandlers(HeadCheck check, RequestHandler handler)
      : checkHead(std::move(check)), handle(std::move(handler)) {}
  // A plain handler, with no head check.
  template <typename Handler,
            typename = std::enable_if_t<std::is_invocable_r_v<HttpResponse, Handler&, const HttpRequest&>>>
  ListenerHandlers(Handler handler) : handle(std::move(handler)) {}  // NOLINT: implicit on purpose
};

constexpr std::int32_t kMaxConnections = 64;
// From the accept: the whole request must have arrived within this time; the answer then has
// as long again to be taken, however slowly the peer reads or writes.
constexpr std::uint32_t kConnectionTimeoutMs = 30000;

struct HttpListener {
  std::atomic<platform::SocketHandle> listenSocket{platform::kNoSocket};
  std::uint32_t port = 0;  // the bound port while listening, else 0
  std::uint32_t requestDeadlineMs = kConnectionTimeoutMs;  // read at each accept
  std::uint32_t sendDeadlineMs = kConnectionTimeoutMs;
  // Connection threads hold their own references to the handler and to the counter, so a
  // thread still running after the bounded stop never touches a destroyed listener.
  std::shared_ptr<const ListenerHandlers> handler;
  std::shared_ptr<std::atomic<std::int32_t>> activeConnections =
      std::make_shared<std::atomic<std::int32_t>>(0);
  std::thread acceptThread;

  HttpListener() = default;
  HttpListener(const HttpListener&) = delete;
  HttpListener& operator=(const HttpListener&) = delete;
  ~HttpListener();  // stops the listener (bounded wait), then releases the handler
};

// True when 127.0.0.1:port is bound, listening and served by a running accept thread.
// Port 0 lets the system choose; port then holds the chosen one.
bool StartListener(HttpListener& listener, std::uint32_t port, ListenerHandlers handlers);

// Stops accepting and waits at most 5 seconds for running connections. No effect on a
// listener that is not listening. Never called from the listener's own threads.
void StopListener(HttpListener& listener);

// Connections being served right now.
std::int32_t ActiveConnections(const HttpListener& listener);
