#pragma once
// One-time tickets that let a new browser window in; each is good once, for 60 seconds.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

struct TicketStore {
  std::mutex mutex;
  std::map<std::string, std::uint64_t> entries;  // ticket -> expiry in monotonic milliseconds
};

std::string IssueTicket(TicketStore& store);
bool RedeemTicket(TicketStore& store, const std::string& candidate);
