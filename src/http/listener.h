#pragma once
// One loopback listener per document session: one thread waits on every connection at once and
// reads the heads as they come, and a bounded pool of workers answers the requests that pass.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "http/listener_core.h"
#include "http/request.h"
#include "http/response.h"
#include "platform/sockets.h"

// Workers answering admitted requests of one listener; no more of them are in progress at once.
constexpr std::size_t kRequestWorkers = 16;
// Of them, at most this many answer heavy requests (large bodies) at once: each holds its body
// and a core while it works, and the document answers them one at a time anyway.
constexpr std::size_t kHeavyWorkers = 2;
// Connections held that have not passed the gate (reading a head, or refused and being
// answered); one more drops the oldest. Fewer when the process may not open that many handles.
constexpr std::size_t kMaxWaitingConnections = 1024;
// Bytes of answers held for admitted peers that have not yet taken them; past it the oldest
// answers are cut (the newest is always kept, so the largest answer still goes out).
constexpr std::size_t kAnswerBudget = 32 * 1048576;
// From the accept: the whole request must have arrived within this time; the answer then has
// as long again to be taken, however slowly the peer reads or writes.
constexpr std::uint32_t kConnectionTimeoutMs = 30000;

struct HttpListener {
  std::atomic<platform::SocketHandle> listenSocket{platform::kNoSocket};
  std::uint32_t port = 0;  // the bound port while listening, else 0
  // Read at the start.
  std::uint32_t requestDeadlineMs = kConnectionTimeoutMs;
  std::uint32_t sendDeadlineMs = kConnectionTimeoutMs;
  std::size_t maxWaiting = kMaxWaitingConnections;
  std::size_t answerBudget = kAnswerBudget;
  std::shared_ptr<ListenerCore> core;  // shared with the loop and the workers
  std::thread loopThread;

  HttpListener() = default;
  HttpListener(const HttpListener&) = delete;
  HttpListener& operator=(const HttpListener&) = delete;
  ~HttpListener();  // stops the listener (bounded wait), then lets go of its share of the core
};

// True when 127.0.0.1:port is bound, listening and served by a running loop and its workers.
// Port 0 lets the system choose; port then holds the chosen one.
bool StartListener(HttpListener& listener, std::uint32_t port, ListenerHandlers handlers);

// Stops accepting, drops the heads still being read and waits at most 5 seconds for the
// requests and answers under way. No effect on a listener that is not listening. Never called
// from the listener's own threads.
void StopListener(HttpListener& listener);

// Connections accepted and not yet closed.
std::int32_t ActiveConnections(const HttpListener& listener);
