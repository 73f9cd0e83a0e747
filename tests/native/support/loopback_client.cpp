#include "support/loopback_client.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace testing_support {

LoopbackClient::LoopbackClient(std::uint32_t port) : socket_(platform::ConnectLoopback(port)) {
  if (Connected()) platform::SetSocketTimeouts(socket_, 20000);
}

LoopbackClient::~LoopbackClient() { Close(); }

bool LoopbackClient::SendAll(const std::string& bytes) {
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    const std::int64_t sent = platform::Send(socket_, bytes.data() + offset, bytes.size() - offset);
    if (sent <= 0) return false;
    offset += static_cast<std::size_t>(sent);
  }
  return true;
}

void LoopbackClient::FinishSending() {
  // Half close: the peer's receive ends, our receive direction stays open.
  platform::ShutdownSend(socket_);
}

std::string LoopbackClient::ReceiveAll() {
  std::string received;
  std::vector<char> buffer(65536);
  for (;;) {
    const std::int64_t got = platform::Receive(socket_, buffer.data(), buffer.size());
    if (got <= 0) return received;
    received.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

std::string LoopbackClient::ReceiveSome(std::size_t count) {
  std::string received;
  std::vector<char> buffer(65536);
  while (received.size() < count) {
    const std::size_t want = std::min(buffer.size(), count - received.size());
    const std::int64_t got = platform::Receive(socket_, buffer.data(), want);
    if (got <= 0) break;
    received.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return received;
}

void LoopbackClient::Close() {
  platform::CloseSocket(socket_);
  socket_ = platform::kNoSocket;
}

std::string Exchange(std::uint32_t port, const std::string& request) {
  LoopbackClient client(port);
  if (!client.Connected() || !client.SendAll(request)) return {};
  return client.ReceiveAll();
}

ParsedAnswer ParseAnswer(const std::string& bytes) {
  ParsedAnswer answer;
  const std::size_t headEnd = bytes.find("\r\n\r\n");
  if (headEnd == std::string::npos) return answer;
  std::size_t lineEnd = bytes.find("\r\n");
  answer.statusLine = bytes.substr(0, lineEnd);
  if (answer.statusLine.size() < 12) return answer;
  answer.status = std::atoi(answer.statusLine.c_str() + 9);
  while (lineEnd < headEnd) {
    const std::size_t start = lineEnd + 2;
    lineEnd = bytes.find("\r\n", start);
    const std::string line = bytes.substr(start, lineEnd - start);
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) return answer;
    answer.headers[line.substr(0, colon)] = line.substr(colon + 2);
  }
  answer.body = bytes.substr(headEnd + 4);
  const auto length = answer.headers.find("Content-Length");
  answer.ok = length != answer.headers.end() && std::to_string(answer.body.size()) == length->second;
  return answer;
}

}  // namespace testing_support
