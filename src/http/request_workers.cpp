#include "http/request_workers.h"

#include <exception>
#include <system_error>
#include <thread>

#include "http/listener.h"
#include "http/request_reader.h"
#include "platform/socket_poll.h"

namespace {

// Sends what fits now; the rest goes to the loop, or, once the loop has ended, is sent here
// before the send deadline.
void Finish(ListenerCore& core, platform::SocketHandle socket, HttpResponse&& response) {
  HandedAnswer handed{socket, PrepareAnswer(std::move(response)), DeadlineIn(core.sendDeadlineMs)};
  platform::SetNonBlocking(socket, true);
  const SendProgress progress = SendWhatFits(socket, handed.answer);
  if (progress == SendProgress::Waiting) {
    std::unique_lock<std::mutex> lock(core.mutex);
    if (core.loopTakesAnswers) {
      core.handed.push_back(std::move(handed));
      lock.unlock();
      WakeLoop(core);
      return;
    }
    lock.unlock();
    platform::SetNonBlocking(socket, false);
    SendRestBefore(socket, handed.deadline, handed.answer);
  }
  CloseConnection(core, socket);
}

void Serve(ListenerCore& core, AdmittedRequest& admitted) {
  try {
    platform::SetNonBlocking(admitted.socket, false);
    HttpResponse response;
    if (ReadRequestBody(ReceiveBefore(admitted.socket, admitted.deadline), admitted.request, admitted.bodyLength,
                        response)) {
      response = core.handlers.handle(admitted.request);
    }
    admitted.request = HttpRequest{};  // the body goes before the answer is sent
    Finish(core, admitted.socket, std::move(response));
  } catch (const std::exception&) {
    // Out of memory for a large body or answer: this connection ends unanswered, the
    // program and every other connection carry on.
    CloseConnection(core, admitted.socket);
  }
}

// The queue a free worker takes from: light requests first; a heavy one only while fewer than
// kHeavyWorkers answer heavy ones. Null when there is nothing it may take.
std::deque<AdmittedRequest>* NextQueue(ListenerCore& core) {
  if (!core.admitted.empty()) return &core.admitted;
  if (!core.heavy.empty() && core.heavyWorkers < static_cast<std::int32_t>(kHeavyWorkers)) return &core.heavy;
  return nullptr;
}

void RunWorker(std::shared_ptr<ListenerCore> core) {
  std::unique_lock<std::mutex> lock(core->mutex);
  for (;;) {
    const auto drained = [&] { return core->admitted.empty() && core->heavy.empty(); };
    core->work.wait(lock, [&] { return NextQueue(*core) != nullptr || (core->stopping.load() && drained()); });
    std::deque<AdmittedRequest>* queue = NextQueue(*core);
    if (queue == nullptr) break;  // stopping, and nothing left to answer
    const bool heavy = queue == &core->heavy;
    AdmittedRequest admitted = std::move(queue->front());
    queue->pop_front();
    ++core->busyWorkers;
    if (heavy) ++core->heavyWorkers;
    lock.unlock();
    Serve(*core, admitted);
    lock.lock();
    --core->busyWorkers;
    if (heavy) {
      --core->heavyWorkers;
      core->work.notify_one();  // a heavy turn is free
    }
    if (core->stopping.load()) WakeLoop(*core);  // a stopping loop waits for the workers
  }
  --core->runningWorkers;
  lock.unlock();
  WakeLoop(*core);  // a stopping loop waits for the workers
}

}  // namespace

std::size_t StartRequestWorkers(const std::shared_ptr<ListenerCore>& core, std::size_t count) {
  std::size_t started = 0;
  for (; started < count; ++started) {
    {
      std::lock_guard<std::mutex> lock(core->mutex);
      ++core->runningWorkers;
    }
    try {
      std::thread(RunWorker, core).detach();
    } catch (const std::system_error&) {
      std::lock_guard<std::mutex> lock(core->mutex);
      --core->runningWorkers;
      break;
    }
  }
  return started;
}

void AdmitRequest(ListenerCore& core, AdmittedRequest request) {
  {
    std::lock_guard<std::mutex> lock(core.mutex);
    (request.heavy ? core.heavy : core.admitted).push_back(std::move(request));
  }
  core.work.notify_one();
}
