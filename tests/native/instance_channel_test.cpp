#include <gtest/gtest.h>

#include <thread>

#include "platform/instance.h"
#include "util/text.h"

namespace {

// A key of its own per test, so that nothing else that runs meets these objects.
std::string FreshKey() { return ".test" + RandomHex(8); }

}  // namespace

TEST(InstanceLock, OnlyOneHolderPerKeyUntilReleased) {
  const std::string key = FreshKey();
  {
    platform::InstanceLock first;
    ASSERT_EQ(platform::AcquireInstanceLock(key, first), platform::InstanceLockResult::Acquired);
    platform::InstanceLock second;
    EXPECT_EQ(platform::AcquireInstanceLock(key, second), platform::InstanceLockResult::HeldElsewhere);
    platform::InstanceLock other;
    EXPECT_EQ(platform::AcquireInstanceLock(FreshKey(), other), platform::InstanceLockResult::Acquired);
  }
  platform::InstanceLock again;
  EXPECT_EQ(platform::AcquireInstanceLock(key, again), platform::InstanceLockResult::Acquired);
}

TEST(HandOffChannel, NoReceiverUntilOneIsOpen) {
  EXPECT_EQ(platform::SendHandOff(FreshKey(), 1, "x", 1000), platform::HandOffSendResult::NoReceiver);
}

namespace {

// Sends `payload` to a fresh receiver on a thread of its own and serves that one sender, whose
// answer is `answer`; gives what the sender was told and what the receiver got.
struct Exchange {
  platform::HandOffSendResult sent = platform::HandOffSendResult::NoReceiver;
  platform::HandOffMessage received;
};

Exchange SendAndServeOnce(const std::string& payload, unsigned answer) {
  const std::string key = FreshKey();
  platform::HandOffReceiver receiver;
  EXPECT_TRUE(platform::OpenHandOffReceiver(key, receiver));
  Exchange exchange;
  std::thread sender([&] { exchange.sent = platform::SendHandOff(key, platform::kHandOffTag, payload, 5000); });
  bool served = false;
  while (!served) {
    platform::ServeHandOffSender(receiver, platform::kLargestHandOffPayload, [&](const platform::HandOffMessage& message) {
      exchange.received = message;
      served = true;
      return answer;
    });
  }
  sender.join();
  return exchange;
}

}  // namespace

TEST(HandOffChannel, CarriesTagAndPayloadOrAnnouncesAnOversizedOne) {
  const std::string fits = "0f8fad5b-d9cb-469f-a165-70867728950e\n/a/メモ.fcard";
  const struct {
    std::string payload;
    unsigned answer;
    std::string received;
    bool tooLarge;
  } cases[] = {
      {fits, 1, fits, false},
      // Announced so the receiver can say no, but never read into memory.
      {std::string(0x40001, 'a'), 0, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload.size());
    const Exchange exchange = SendAndServeOnce(c.payload, c.answer);
    EXPECT_EQ(exchange.received.tag, platform::kHandOffTag);
    EXPECT_EQ(exchange.received.payload, c.received);
    EXPECT_EQ(exchange.received.tooLarge, c.tooLarge);
    EXPECT_EQ(exchange.sent, platform::HandOffSendResult::Delivered);
  }
}

TEST(HandOffChannel, AReceiverLeftBehindIsReplaced) {
  const std::string key = FreshKey();
  {
    platform::HandOffReceiver abandoned;
    ASSERT_TRUE(platform::OpenHandOffReceiver(key, abandoned));
  }
  // Nobody serves the old one any more.
  EXPECT_EQ(platform::SendHandOff(key, 1, "x", 1000), platform::HandOffSendResult::NoReceiver);
  platform::HandOffReceiver fresh;
  EXPECT_TRUE(platform::OpenHandOffReceiver(key, fresh));
}
