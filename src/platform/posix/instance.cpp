// The instance lock is an exclusive flock on a file, and the hand-off channel a Unix-domain
// socket beside it, both in the user's runtime folder and named from the instance key. The lock
// decides who runs: the kernel drops it when its holder ends in any way, and the holder replaces
// whatever socket an earlier holder left behind.
#include "platform/instance.h"
#include "platform/sockets.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {
namespace {

constexpr std::uint32_t kReceiveTimeoutMs = 5000;

bool IsPrivateFolder(const std::string& folder) {
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         (info.st_mode & 077) == 0;
}

// The runtime folder of the user's login, or a folder of this user's own under /tmp that no one
// else may enter. Empty when neither is usable.
std::string InstanceFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    struct stat info {};
    if (::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()) return runtime;
  }
  const std::string fallback = "/tmp/ferncard-" + std::to_string(::getuid());
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsPrivateFolder(fallback) ? fallback : std::string();
}

std::string InstancePath(const std::string& key, const char* suffix) {
  const std::string folder = InstanceFolder();
  if (folder.empty()) return {};
  return folder + "/ferncard-instance" + key + suffix;
}

bool SocketAddress(const std::string& key, sockaddr_un& address) {
  const std::string path = InstancePath(key, ".sock");
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool SendAll(int socket, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveAll(int socket, void* data, std::size_t size) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t received = ::recv(socket, bytes, size, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) return false;
    bytes += received;
    size -= static_cast<std::size_t>(received);
  }
  return true;
}

struct Descriptor {
  int fd;
  explicit Descriptor(int value) : fd(value) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// The message on the wire: the tag, the payload length, the payload; the answer is the result.
struct MessageHead {
  std::uint64_t tag;
  std::uint64_t length;
};

}  // namespace

std::string InstanceKeyFolderText(const std::string& dataFolder) { return dataFolder; }

InstanceLock::~InstanceLock() {
  if (handle >= 0) ::close(static_cast<int>(handle));
}

InstanceLockResult AcquireInstanceLock(const std::string& key, InstanceLock& lock) {
  const std::string path = InstancePath(key, ".lock");
  if (path.empty()) return InstanceLockResult::Unavailable;
  // Close-on-exec: a browser started by this process must not keep the lock after it ends.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return InstanceLockResult::Unavailable;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? InstanceLockResult::HeldElsewhere : InstanceLockResult::Unavailable;
  }
  lock.handle = fd;
  return InstanceLockResult::Acquired;
}

HandOffReceiver::~HandOffReceiver() {
  if (handle >= 0) ::close(static_cast<int>(handle));
}

bool OpenHandOffReceiver(const std::string& key, HandOffReceiver& receiver) {
  sockaddr_un address{};
  if (!SocketAddress(key, address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  // Whatever is at the path was left by an earlier instance: the caller holds the lock.
  ::unlink(address.sun_path);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    return false;
  }
  ::chmod(address.sun_path, 0600);
  receiver.handle = fd;
  return true;
}

void ServeHandOffSender(HandOffReceiver& receiver, std::size_t largestPayload,
                        const std::function<std::uint32_t(const HandOffMessage&)>& handler) {
  Descriptor connection(::accept4(static_cast<int>(receiver.handle), nullptr, nullptr, SOCK_CLOEXEC));
  if (connection.fd < 0) return;
  ucred peer{};
  socklen_t peerSize = sizeof peer;
  if (::getsockopt(connection.fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) != 0 || peer.uid != ::getuid()) return;
  SetSocketTimeouts(connection.fd, kReceiveTimeoutMs);

  MessageHead head{};
  if (!ReceiveAll(connection.fd, &head, sizeof head)) return;
  HandOffMessage message;
  message.tag = head.tag;
  if (head.length > largestPayload) {
    message.tooLarge = true;
  } else {
    message.payload.resize(static_cast<std::size_t>(head.length));
    if (!ReceiveAll(connection.fd, message.payload.data(), message.payload.size())) return;
  }
  const std::uint32_t result = handler(message);
  SendAll(connection.fd, &result, sizeof result);
}

HandOffSendResult SendHandOff(const std::string& key, std::uint64_t tag, std::string_view payload, int timeoutMs) {
  sockaddr_un address{};
  if (!SocketAddress(key, address)) return HandOffSendResult::NoReceiver;
  Descriptor connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (connection.fd < 0) return HandOffSendResult::NoReceiver;
  SetSocketTimeouts(connection.fd, static_cast<std::uint32_t>(timeoutMs));
  if (::connect(connection.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return HandOffSendResult::NoReceiver;
  }
  const MessageHead head{tag, payload.size()};
  if (SendAll(connection.fd, &head, sizeof head) && SendAll(connection.fd, payload.data(), payload.size())) {
    std::uint32_t answer = 0;
    ReceiveAll(connection.fd, &answer, sizeof answer);
  }
  return HandOffSendResult::Delivered;
}

}  // namespace platform
