#include "http/tickets.h"

#include "util/text.h"

std::string IssueTicket(TicketStore& store) {
  std::string ticket = RandomHex(32);  // drawn before the lock is taken
  std::lock_guard<std::mutex> lock(store.mutex);
  const std::uint64_t now = store.clock();
  std::erase_if(store.entries, [now](const auto& entry) { return entry.second < now; });
  store.entries[ticket] = now + kTicketLifetimeMilliseconds;
  return ticket;
}

bool RedeemTicket(TicketStore& store, const std::string& candidate) {
  if (!IsLowerHexOfLength(candidate, 64)) return false;
  std::lock_guard<std::mutex> lock(store.mutex);
  const auto found = store.entries.find(candidate);
  if (found == store.entries.end()) return false;
  const bool inTime = found->second >= store.clock();
  store.entries.erase(found);  // spent by its first presentation, even a late one
  return inTime;
}
