#pragma once
// A lock handed over in the order it was asked for: whoever waits for it goes before a holder
// that lets go and asks again at once, as a large read does between its pieces.
#include <condition_variable>
#include <cstdint>
#include <mutex>

class FairMutex {
 public:
  FairMutex() = default;
  FairMutex(const FairMutex&) = delete;
  FairMutex& operator=(const FairMutex&) = delete;

  void lock() {
    std::unique_lock<std::mutex> guard(mutex_);
    const std::uint64_t ticket = next_++;
    turn_.wait(guard, [&] { return serving_ == ticket; });
  }

  void unlock() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      ++serving_;
    }
    turn_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  std::uint64_t next_ = 0;     // the ticket the next one to ask gets
  std::uint64_t serving_ = 0;  // the ticket that holds the lock, or gets it next
};
