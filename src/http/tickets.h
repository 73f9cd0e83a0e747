#pragma once
// One-time tickets that let a new browser window in; each is good once, for 60 seconds.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/clock.h"

constexpr std::uint64_t kTicketLifetimeMilliseconds = 60000;

struct TicketStore {
  std::mutex mutex;
  std::map<std::string, std::uint64_t> entries;  // ticket -> expiry in monotonic milliseconds
  // The clock of the expiry times; the tests put a hand-driven one here.
  std::uint64_t (*clock)() = platform::MonotonicMilliseconds;
};

// 64 lower-case hex characters (empty when the random source failed; never redeemable).
std::string IssueTicket(TicketStore& store);

// True once for a ticket that was issued and has not expired; any presentation spends it.
bool RedeemTicket(TicketStore& store, const std::string& candidate);
