#include "http/listener.h"

#include <algorithm>
#include <system_error>

#include "http/connection_loop.h"
#include "http/request_workers.h"
#include "platform/socket_poll.h"

namespace {

constexpr std::uint32_t kStopWaitMs = 5000;
// Handles kept free of waiting connections: documents, workers' files, the wake pair.
constexpr std::size_t kSpareHandles = 96;

// Waiting connections this process can hold besides everything else it has open.
std::size_t WaitingLimit(std::size_t wanted) {
  static const std::size_t handles = platform::RaiseHandleLimit();
  if (handles == 0) return wanted;
  return std::clamp<std::size_t>(handles > kSpareHandles ? handles - kSpareHandles : 0, 16, wanted);
}

}  // namespace

HttpListener::~HttpListener() {
  StopListener(*this);
  core.reset();
}

std::int32_t ActiveConnections(const HttpListener& listener) {
  return listener.core ? listener.core->open.load() : 0;
}

bool StartListener(HttpListener& listener, std::uint32_t port, ListenerHandlers handlers) {
  StopListener(listener);
  const std::size_t maxWaiting = WaitingLimit(listener.maxWaiting);
  const platform::SocketHandle listening = platform::OpenLoopbackListener(port);
  if (listening == platform::kNoSocket) return false;
  auto core = std::make_shared<ListenerCore>();
  core->handlers = std::move(handlers);
  core->requestDeadlineMs = listener.requestDeadlineMs;
  core->sendDeadlineMs = listener.sendDeadlineMs;
  core->maxWaiting = maxWaiting;
  core->answerBudget = listener.answerBudget;
  platform::SetNonBlocking(listening, true);
  if (!platform::OpenWakePair(core->wakeSender, core->wakeReceiver) ||
      StartRequestWorkers(core, kRequestWorkers) == 0) {
    core->stopping.store(true);
    core->work.notify_all();
    platform::CloseSocket(listening);
    return false;
  }
  try {
    listener.loopThread = std::thread(RunConnectionLoop, core, listening, kStopWaitMs);
  } catch (const std::system_error&) {
    core->stopping.store(true);
    core->work.notify_all();
    platform::CloseSocket(listening);
    return false;
  }
  listener.core = std::move(core);
  listener.listenSocket.store(listening);
  listener.port = port != 0 ? port : platform::LocalPort(listening);
  return true;
}

void StopListener(HttpListener& listener) {
  const platform::SocketHandle listening = listener.listenSocket.exchange(platform::kNoSocket);
  if (listening == platform::kNoSocket) return;
  ListenerCore& core = *listener.core;
  {
    std::lock_guard<std::mutex> lock(core.mutex);
    core.stopping.store(true);
  }
  core.work.notify_all();
  WakeLoop(core);
  if (listener.loopThread.joinable()) listener.loopThread.join();
  platform::CloseSocket(listening);
  listener.port = 0;
}
