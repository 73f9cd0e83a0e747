#include "http/connection_loop.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <list>
#include <thread>
#include <vector>

#include "http/request_workers.h"
#include "platform/socket_poll.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kLongestWaitMs = 1000;
constexpr int kAcceptsPerWake = 64;

// One connection the loop holds: reading its head (or the body of a refused request) while it
// has a reader, else sending its answer.
struct Held {
  platform::SocketHandle socket = platform::kNoSocket;
  std::unique_ptr<HeadReader> reader;
  OutgoingAnswer answer;
  Deadline deadline;
  bool admitted = false;  // an admitted request's answer, handed back by a worker
  bool ready = false;
};

class ConnectionLoop {
 public:
  ConnectionLoop(std::shared_ptr<ListenerCore> core, platform::SocketHandle listening)
      : core_(std::move(core)), listening_(listening), buffer_(kReceiveBufferSize) {}

  void Run(std::uint32_t stopWaitMs) {
    while (!core_->stopping.load()) Turn(true);
    // Heads still being read are dropped; answers under way get a bounded time to finish.
    for (auto it = held_.begin(); it != held_.end();) it = it->reader ? Drop(it) : std::next(it);
    const Deadline last = DeadlineIn(stopWaitMs);
    while (Clock::now() < last && !Finished()) Turn(false);
    {
      std::lock_guard<std::mutex> lock(core_->mutex);
      core_->loopTakesAnswers = false;
      for (HandedAnswer& answer : core_->handed) CloseConnection(*core_, answer.socket);
      core_->handed.clear();
    }
    for (auto it = held_.begin(); it != held_.end();) it = Drop(it);
  }

 private:
  using Iterator = std::list<Held>::iterator;

  bool Finished() {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return held_.empty() && core_->handed.empty() && core_->admitted.empty() && core_->heavy.empty() &&
           core_->busyWorkers == 0;
  }

  void Turn(bool accepting) {
    std::vector<platform::PollSlot> slots;
    slots.reserve(held_.size() + 2);
    slots.push_back({core_->wakeReceiver, false, false});
    accepting = accepting && !listeningFailed_;
    if (accepting) slots.push_back({listening_, false, false});
    for (const Held& held : held_) slots.push_back({held.socket, !held.reader, false});
    if (platform::PollSockets(slots, WaitMs()) < 0) {
      Pause();
      return;
    }
    std::size_t slot = 0;
    const bool woken = slots[slot++].ready;
    const bool connecting = accepting && slots[slot++].ready;
    for (Held& held : held_) held.ready = slots[slot++].ready;

    const Deadline now = Clock::now();
    for (auto it = held_.begin(); it != held_.end();) {
      try {
        if (it->ready) {
          it = Serve(it);
        } else if (now >= it->deadline) {
          it = TimeUp(it);
        } else {
          ++it;
        }
      } catch (const std::exception&) {
        it = Drop(it);  // out of memory for this connection alone
      }
    }
    if (woken) TakeHandedAnswers();
    if (connecting) Accept();
  }

  // Until the nearest deadline, at most a second.
  std::uint32_t WaitMs() const {
    auto wait = std::chrono::milliseconds(kLongestWaitMs);
    const Deadline now = Clock::now();
    for (const Held& held : held_) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(held.deadline - now);
      wait = std::min(wait, std::max(left + std::chrono::milliseconds(1), std::chrono::milliseconds(0)));
    }
    return static_cast<std::uint32_t>(wait.count());
  }

  static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

  // What an answer holds in memory until it is done: all of it, however much has gone out.
  static std::size_t Size(const OutgoingAnswer& answer) { return answer.head.size() + answer.body.size(); }

  Iterator Drop(Iterator it) {
    if (!it->reader) heldBytes_ -= Size(it->answer);
    if (it->reader || !it->admitted) --waiting_;
    CloseConnection(*core_, it->socket);
    return held_.erase(it);
  }

  Iterator Serve(Iterator it) {
    if (!it->reader) return Send(it);
    const std::int64_t got = platform::ReceiveNow(it->socket, buffer_.data(), buffer_.size());
    if (got == platform::kWouldBlock) return std::next(it);
    const HeadReader::Step step =
        got <= 0 ? it->reader->End() : it->reader->Take(std::string_view(buffer_.data(), static_cast<std::size_t>(got)));
    return Advance(it, step);
  }

  Iterator TimeUp(Iterator it) {
    if (!it->reader) return Drop(it);  // the send deadline cuts the answer
    return Advance(it, it->reader->End());
  }

  Iterator Advance(Iterator it, HeadReader::Step step) {
    switch (step) {
      case HeadReader::Step::More:
        return std::next(it);
      case HeadReader::Step::Silent:
        return Drop(it);
      case HeadReader::Step::Admitted: {
        HeadReader& reader = *it->reader;
        const RequestWeigher& weigh = core_->handlers.weigh;
        const bool heavy = weigh && weigh(reader.Request(), reader.BodyLength());
        AdmitRequest(*core_,
                     AdmittedRequest{it->socket, std::move(reader.Request()), reader.BodyLength(), it->deadline, heavy});
        --waiting_;
        return held_.erase(it);
      }
      case HeadReader::Step::Answer:
        it->answer = PrepareAnswer(std::move(it->reader->Answer()));
        it->reader.reset();
        it->deadline = DeadlineIn(core_->sendDeadlineMs);
        heldBytes_ += Size(it->answer);
        return Send(it);
    }
    return std::next(it);
  }

  Iterator Send(Iterator it) {
    const SendProgress progress = SendWhatFits(it->socket, it->answer);
    if (progress == SendProgress::Waiting) return std::next(it);
    return Drop(it);
  }

  void TakeHandedAnswers() {
    char bytes[64];
    while (platform::ReceiveNow(core_->wakeReceiver, bytes, sizeof bytes) > 0) {
    }
    std::vector<HandedAnswer> handed;
    {
      std::lock_guard<std::mutex> lock(core_->mutex);
      handed.swap(core_->handed);
    }
    for (HandedAnswer& answer : handed) {
      heldBytes_ += Size(answer.answer);
      held_.push_back(Held{answer.socket, nullptr, std::move(answer.answer), answer.deadline, true, false});
    }
    // Over the budget: the answers that have waited longest are cut.
    for (auto it = held_.begin(); heldBytes_ > core_->answerBudget && it != held_.end();) {
      it = !it->reader && it->admitted && std::next(it) != held_.end() ? Drop(it) : std::next(it);
    }
  }

  void Accept() {
    for (int count = 0; count < kAcceptsPerWake; ++count) {
      platform::SocketHandle accepted = platform::kNoSocket;
      const platform::AcceptResult result = platform::AcceptWaiting(listening_, accepted);
      if (result == platform::AcceptResult::Failed) {
        listeningFailed_ = true;
        return;
      }
      if (result != platform::AcceptResult::Accepted) {
        // Ready but nothing taken: perhaps no handle is left, so the oldest waiting one goes.
        if (count == 0 && !DropOldestWaiting()) Pause();
        return;
      }
      core_->open.fetch_add(1);
      if (waiting_ >= core_->maxWaiting) DropOldestWaiting();
      held_.push_back(Held{accepted, std::make_unique<HeadReader>(&core_->handlers.checkHead), {},
                           DeadlineIn(core_->requestDeadlineMs), false, false});
      ++waiting_;
      // A peer usually sends its head right after connecting: read it now, not a turn later.
      try {
        Serve(std::prev(held_.end()));
      } catch (const std::exception&) {
        Drop(std::prev(held_.end()));
      }
    }
  }

  bool DropOldestWaiting() {
    for (auto it = held_.begin(); it != held_.end(); ++it) {
      if (it->reader || !it->admitted) {
        Drop(it);
        return true;
      }
    }
    return false;
  }

  std::shared_ptr<ListenerCore> core_;
  platform::SocketHandle listening_;
  std::vector<char> buffer_;
  bool listeningFailed_ = false;  // accepting has ended for good, as a broken listener ends it
  std::list<Held> held_;       // in the order they came, so the oldest is first
  std::size_t waiting_ = 0;    // held connections that have not passed the gate
  std::size_t heldBytes_ = 0;  // bytes of the answers held
};

}  // namespace

void RunConnectionLoop(std::shared_ptr<ListenerCore> core, platform::SocketHandle listening, std::uint32_t stopWaitMs) {
  ConnectionLoop(std::move(core), listening).Run(stopWaitMs);
}
