#include "http/tickets.h"

#include <chrono>

#include "util/text.h"

namespace {

constexpr std::uint64_t kTicketLifetimeMs = 60000;
constexpr std::size_t kTicketBytes = 32;

std::uint64_t MonotonicMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

std::string IssueTicket(TicketStore& store) {
  std::string ticket = RandomHex(kTicketBytes);  // drawn before the lock is taken
  std::lock_guard<std::mutex> lock(store.mutex);
  const std::uint64_t now = MonotonicMs();
  std::erase_if(store.entries, [now](const auto& entry) { return entry.second < now; });
  store.entries[ticket] = now + kTicketLifetimeMs;
  return ticket;
}

bool RedeemTicket(TicketStore& store, const std::string& candidate) {
  if (!IsLowerHexOfLength(candidate, 2 * kTicketBytes)) return false;
  std::lock_guard<std::mutex> lock(store.mutex);
  const auto found = store.entries.find(candidate);
  if (found == store.entries.end()) return false;
  const bool inTime = found->second >= MonotonicMs();
  store.entries.erase(found);  // spent by its first presentation, even a late one
  return inTime;
}
