#include <gtest/gtest.h>

#include <cstdint>

#include "http/tickets.h"
#include "util/text.h"

namespace {

std::uint64_t fakeNow = 1000000;
std::uint64_t FakeClock() { return fakeNow; }

TicketStore& FreshStore(TicketStore& store) {
  fakeNow = 1000000;
  store.clock = FakeClock;
  return store;
}

}  // namespace

TEST(Tickets, LastSixtySecondsAndALatePresentationSpendsThem) {
  TicketStore store;
  FreshStore(store);
  const std::string onTime = IssueTicket(store);
  const std::string late = IssueTicket(store);
  fakeNow += 60000;  // the last millisecond of their life
  EXPECT_TRUE(RedeemTicket(store, onTime));
  fakeNow += 1;
  EXPECT_FALSE(RedeemTicket(store, late));
  EXPECT_EQ(store.entries.count(late), 0u);
}

TEST(Tickets, ExpiredOnesArePurgedByTheNextIssue) {
  TicketStore store;
  FreshStore(store);
  const std::string old = IssueTicket(store);
  fakeNow += 61000;
  const std::string fresh = IssueTicket(store);
  EXPECT_EQ(store.entries.count(old), 0u);
  EXPECT_EQ(store.entries.size(), 1u);
  EXPECT_TRUE(RedeemTicket(store, fresh));
}

TEST(Tickets, MalformedCandidatesAreRefusedWithoutTouchingTheStore) {
  TicketStore store;
  FreshStore(store);
  const std::string ticket = IssueTicket(store);
  std::string upper = ticket;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upper != ticket) {
    EXPECT_FALSE(RedeemTicket(store, upper));
  }
  EXPECT_FALSE(RedeemTicket(store, ticket.substr(0, 63)));
  EXPECT_FALSE(RedeemTicket(store, ticket + "0"));
  EXPECT_FALSE(RedeemTicket(store, ""));
  EXPECT_TRUE(RedeemTicket(store, ticket));  // none of the above spent it
}
