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

TEST(HandOffChannel, CarriesTagAndPayloadAndReturnsTheAnswer) {
  const std::string key = FreshKey();
  platform::HandOffReceiver receiver;
  ASSERT_TRUE(platform::OpenHandOffReceiver(key, receiver));

  const std::string payload = "0f8fad5b-d9cb-469f-a165-70867728950e\n/a/メモ.fcard";
  platform::HandOffSendResult sent = platform::HandOffSendResult::NoReceiver;
  std::thread sender([&] { sent = platform::SendHandOff(key, platform::kHandOffTag, payload, 5000); });
  platform::HandOffMessage received;
  bool served = false;
  while (!served) {
    platform::ServeHandOffSender(receiver, platform::kLargestHandOffPayload, [&](const platform::HandOffMessage& message) {
      received = message;
      served = true;
      return 1u;
    });
  }
  sender.join();
  EXPECT_EQ(sent, platform::HandOffSendResult::Delivered);
  EXPECT_EQ(received.tag, platform::kHandOffTag);
  EXPECT_EQ(received.payload, payload);
  EXPECT_FALSE(received.tooLarge);
}

TEST(HandOffChannel, AnOversizedPayloadIsAnnouncedButNotRead) {
  const std::string key = FreshKey();
  platform::HandOffReceiver receiver;
  ASSERT_TRUE(platform::OpenHandOffReceiver(key, receiver));
  const std::string payload(0x40001, 'a');
  std::thread sender([&] { platform::SendHandOff(key, platform::kHandOffTag, payload, 5000); });
  platform::HandOffMessage received;
  bool served = false;
  while (!served) {
    platform::ServeHandOffSender(receiver, platform::kLargestHandOffPayload, [&](const platform::HandOffMessage& message) {
      received = message;
      served = true;
      return 0u;
    });
  }
  sender.join();
  EXPECT_TRUE(received.tooLarge);
  EXPECT_EQ(received.payload, "");
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
