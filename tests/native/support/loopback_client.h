#pragma once
// A small blocking client for tests that talk to a listener on 127.0.0.1.
#include <cstdint>
#include <map>
#include <string>

#include "platform/sockets.h"

namespace testing_support {

class LoopbackClient {
 public:
  // Connects at once; Connected() tells whether it worked. Receives time out after 20 s so a
  // faulty server fails a test instead of hanging it.
  explicit LoopbackClient(std::uint32_t port);
  ~LoopbackClient();
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;

  bool Connected() const { return socket_ != platform::kNoSocket; }

  // Sends every byte; false when a send failed.
  bool SendAll(const std::string& bytes);

  // Ends the sending direction: the server sees the end of the request stream.
  void FinishSending();

  // Reads until the server closes the connection (or an error or timeout).
  std::string ReceiveAll();

  // Reads up to count bytes; fewer when the connection ended first.
  std::string ReceiveSome(std::size_t count);

  // Closes at once, whatever is still unread.
  void Close();

 private:
  platform::SocketHandle socket_;
};

// Sends the request bytes and returns everything the server answered before closing.
std::string Exchange(std::uint32_t port, const std::string& request);

// An answer split into its parts; ok is false when the bytes are not a complete answer.
struct ParsedAnswer {
  bool ok = false;
  int status = 0;
  std::string statusLine;
  std::map<std::string, std::string> headers;  // names as sent
  std::string body;
};
ParsedAnswer ParseAnswer(const std::string& bytes);

}  // namespace testing_support
