#include "http/listener.h"

#include <chrono>
#include <exception>
#include <system_error>

#include "http/request_reader.h"
#include "http/response_sender.h"

namespace {

// What one connection thread needs; it owns shares of both, never the listener itself.
struct Connection {
  platform::SocketHandle socket;
  std::shared_ptr<const ListenerHandlers> handler;
  std::shared_ptr<std::atomic<std::int32_t>> active;
  Deadline requestDeadline;
  std::uint32_t sendDeadlineMs;
};

void ServeConnection(Connection connection) {
  try {
    HttpRequest request;
    HttpResponse response;
    const ReadOutcome outcome =
        ReadRequest(connection.socket, connection.requestDeadline, request, response, connection.handler->checkHead);
    if (outcome != ReadOutcome::Nothing) {
      if (outcome == ReadOutcome::Request) response = connection.handler->handle(request);
      SendResponse(connection.socket, DeadlineIn(connection.sendDeadlineMs), response);
    }
  } catch (const std::exception&) {
    // Out of memory for a large body or answer: this connection ends unanswered, the
    // program and every other connection carry on.
  }
  platform::ShutdownBoth(connection.socket);
  platform::CloseSocket(connection.socket);
  connection.handler.reset();
  // Last act: once the count drops the stop may return and the listener may be gone.
  connection.active->fetch_sub(1);
}

// The listening socket comes in by value: the accept thread never reads a handle that
// StopListener may already have closed.
void AcceptLoop(HttpListener& listener, platform::SocketHandle listening) {
  for (;;) {
    platform::SocketHandle accepted = platform::kNoSocket;
    const platform::AcceptResult result = platform::AcceptConnection(listening, accepted);
    const bool stopping = listener.listenSocket.load() == platform::kNoSocket;
    if (result == platform::AcceptResult::Accepted && stopping) {
      platform::CloseSocket(accepted);
      return;
    }
    if (result == platform::AcceptResult::Failed || stopping) return;
    if (result == platform::AcceptResult::Transient) {
      // A connection that was reset before it was taken, or no handles left for a moment:
      // keep serving, but do not spin.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    // Only this thread increments the count, so the bound is exact.
    if (listener.activeConnections->load() >= kMaxConnections) {
      platform::CloseSocket(accepted);
      continue;
    }
    listener.activeConnections->fetch_add(1);
    Connection connection{accepted, listener.handler, listener.activeConnections,
                          DeadlineIn(listener.requestDeadlineMs), listener.sendDeadlineMs};
    try {
      std::thread(ServeConnection, std::move(connection)).detach();
    } catch (const std::system_error&) {
      // No thread could be started: the connection is closed unanswered.
      platform::CloseSocket(accepted);
      listener.activeConnections->fetch_sub(1);
    }
  }
}

}  // namespace

HttpListener::~HttpListener() {
  StopListener(*this);
  handler.reset();
}

std::int32_t ActiveConnections(const HttpListener& listener) { return listener.activeConnections->load(); }

bool StartListener(HttpListener& listener, std::uint32_t port, ListenerHandlers handlers) {
  StopListener(listener);
  const platform::SocketHandle listening = platform::OpenLoopbackListener(port);
  if (listening == platform::kNoSocket) return false;
  const std::uint32_t bound = port != 0 ? port : platform::LocalPort(listening);
  listener.handler = std::make_shared<const ListenerHandlers>(std::move(handlers));
  listener.listenSocket.store(listening);
  listener.port = bound;
  try {
    listener.acceptThread = std::thread(AcceptLoop, std::ref(listener), listening);
  } catch (const std::system_error&) {
    listener.listenSocket.store(platform::kNoSocket);
    platform::CloseSocket(listening);
    listener.port = 0;
    return false;
  }
  return true;
}

void StopListener(HttpListener& listener) {
  const platform::SocketHandle listening = listener.listenSocket.exchange(platform::kNoSocket);
  if (listening == platform::kNoSocket) return;
  platform::InterruptAccept(listening);
  if (listener.acceptThread.joinable()) listener.acceptThread.join();
  platform::CloseSocket(listening);
  // Running connections get up to 5 seconds; those still running then finish on their own.
  for (int wait = 0; wait < 50 && listener.activeConnections->load() >= 1; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  listener.port = 0;
}
