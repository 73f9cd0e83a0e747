#pragma once
// One running instance per instance key: the lock that decides who runs, and the channel over
// which a later start hands its request to the running instance.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The tag of Ferncard's hand-off messages ('FCOP') and the largest payload one may carry.
inline constexpr std::uint64_t kHandOffTag = 0x46434F50;
inline constexpr std::size_t kLargestHandOffPayload = 0x40000;

// The data folder text as it enters the instance key: upper-cased where the file system ignores
// letter case in folder names, unchanged where it tells them apart.
std::string InstanceKeyFolderText(const std::string& dataFolder);

// Held by the running instance for its whole life; released when the owner is destroyed or the
// process ends in any way.
struct InstanceLock {
  std::intptr_t handle = -1;
  InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock();
};

enum class InstanceLockResult {
  Acquired,       // this process is the running instance
  HeldElsewhere,  // another process of the same key runs
  Unavailable,    // no lock could be made; the caller runs without one
};

InstanceLockResult AcquireInstanceLock(const std::string& key, InstanceLock& lock);

// The running instance's end of the hand-off channel. Made only by the lock holder, after its
// start-up succeeded; an end left behind by an instance that crashed is replaced.
struct HandOffReceiver {
  std::intptr_t handle = -1;  // waitable: ready when a sender is waiting
  HandOffReceiver() = default;
  HandOffReceiver(const HandOffReceiver&) = delete;
  HandOffReceiver& operator=(const HandOffReceiver&) = delete;
  ~HandOffReceiver();
};

bool OpenHandOffReceiver(const std::string& key, HandOffReceiver& receiver);

// One received message. tooLarge is set (and payload empty) when the sender announced more than
// the largest accepted payload; such a message is never read.
struct HandOffMessage {
  std::uint64_t tag = 0;
  std::string payload;
  bool tooLarge = false;
};

// Serves one waiting sender: reads its message, answers it with the handler's result (1 taken, 0
// refused) and closes the connection, all before returning. A sender that does not finish its
// message in time, or that belongs to another user, is dropped unanswered.
void ServeHandOffSender(HandOffReceiver& receiver, std::size_t largestPayload,
                        const std::function<std::uint32_t(const HandOffMessage&)>& handler);

enum class HandOffSendResult {
  NoReceiver,  // nobody listens under this key (yet, or any more)
  Delivered,   // the message was sent; the answer, if any, is not looked at
};

// One attempt to send a message to the running instance, waiting at most timeoutMs for it.
HandOffSendResult SendHandOff(const std::string& key, std::uint64_t tag, std::string_view payload, int timeoutMs);

}  // namespace platform
