#pragma once
// What a listener's connection loop and its request workers share. Each of them holds a share
// of it, so a worker still running after the bounded stop never touches a destroyed listener.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "http/deadline.h"
#include "http/head_reader.h"
#include "http/request.h"
#include "http/response.h"
#include "http/response_sender.h"
#include "platform/sockets.h"

using RequestHandler = std::function<HttpResponse(const HttpRequest&)>;
// Whether an admitted request will move a large body (its own, or the answer's), told from its
// head and the length of its body; asked on the loop's thread, so it must not wait.
using RequestWeigher = std::function<bool(const HttpRequest& head, std::size_t bodyLength)>;

// What a listener serves with: the head check sees each head before its body is read, and what
// it lets through goes, body and all, to the handler.
struct ListenerHandlers {
  HeadCheck checkHead;  // empty: every head goes on
  RequestHandler handle;
  RequestWeigher weigh;  // empty: every request is light

  ListenerHandlers() = default;
  ListenerHandlers(HeadCheck check, RequestHandler handler, RequestWeigher weigher = {})
      : checkHead(std::move(check)), handle(std::move(handler)), weigh(std::move(weigher)) {}
  // A plain handler, with no head check.
  template <typename Handler,
            typename = std::enable_if_t<std::is_invocable_r_v<HttpResponse, Handler&, const HttpRequest&>>>
  ListenerHandlers(Handler handler) : handle(std::move(handler)) {}  // NOLINT: implicit on purpose
};

// A request whose head passed, waiting for a worker to read its body and answer it.
struct AdmittedRequest {
  platform::SocketHandle socket = platform::kNoSocket;
  HttpRequest request;  // its body holds what came with the head
  std::size_t bodyLength = 0;
  Deadline deadline;  // the request's, from the accept
  bool heavy = false;  // moves a large body: waits its turn among the heavy ones
};

// An answer a worker could not send at once, for the loop to finish.
struct HandedAnswer {
  platform::SocketHandle socket = platform::kNoSocket;
  OutgoingAnswer answer;
  Deadline deadline;
};

struct ListenerCore {
  ListenerHandlers handlers;
  std::uint32_t requestDeadlineMs = 0;
  std::uint32_t sendDeadlineMs = 0;
  std::size_t maxWaiting = 0;     // connections held that have not passed the gate
  std::size_t answerBudget = 0;   // bytes of unsent answers the loop holds at most

  std::atomic<std::int32_t> open{0};  // connections accepted and not yet closed
  std::atomic<bool> stopping{false};
  platform::SocketHandle wakeSender = platform::kNoSocket;
  platform::SocketHandle wakeReceiver = platform::kNoSocket;

  std::mutex mutex;  // guards the fields below
  std::condition_variable work;
  std::deque<AdmittedRequest> admitted;  // light requests, in the order they came
  std::deque<AdmittedRequest> heavy;     // heavy ones, in the order they came
  std::int32_t busyWorkers = 0;
  std::int32_t heavyWorkers = 0;  // of the busy ones, those answering a heavy request
  std::int32_t runningWorkers = 0;
  std::vector<HandedAnswer> handed;
  bool loopTakesAnswers = true;  // false once the loop has ended: workers finish their own

  ListenerCore() = default;
  ListenerCore(const ListenerCore&) = delete;
  ListenerCore& operator=(const ListenerCore&) = delete;
  ~ListenerCore();
};

// Wakes the loop's wait (a worker handed it an answer, or the listener stops).
void WakeLoop(ListenerCore& core);

// Closes a connection the listener accepted and counts it gone.
void CloseConnection(ListenerCore& core, platform::SocketHandle socket);
