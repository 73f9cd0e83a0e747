// The head reader as the connection loop drives it: bytes in pieces of any size, the peer
// stopping at any point. Below the head limit, how the bytes were split must not change what
// is admitted or answered.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check.h"
#include "http/head_reader.h"

namespace {

struct Outcome {
  HeadReader::Step step = HeadReader::Step::More;
  std::string answer;  // status and body of the answer
  HttpRequest request;
  std::size_t length = 0;
};

// Feeds input in pieces of the given size; stopAt bytes in, the peer goes away.
Outcome Drive(std::string_view input, std::size_t piece, const HeadCheck& check) {
  HeadReader reader(&check);
  Outcome outcome;
  std::size_t at = 0;
  while (outcome.step == HeadReader::Step::More) {
    const std::size_t count = std::min({piece, input.size() - at, kReceiveBufferSize});
    outcome.step = count == 0 ? reader.End() : reader.Take(input.substr(at, count));
    at += count;
  }
  if (outcome.step == HeadReader::Step::Answer) {
    outcome.answer = std::to_string(reader.Answer().status) + reader.Answer().body;
  }
  if (outcome.step == HeadReader::Step::Admitted) {
    outcome.request = reader.Request();
    outcome.length = reader.BodyLength();
    FUZZ_CHECK(outcome.request.body.size() <= outcome.length);
    FUZZ_CHECK(outcome.length <= kMaxBodyLength);
    FUZZ_CHECK(outcome.request.path.starts_with('/') && !outcome.request.path.starts_with("/r"));
    FUZZ_CHECK(!outcome.request.headers.contains("transfer-encoding"));
  }
  if (outcome.step == HeadReader::Step::Silent) FUZZ_CHECK(input.empty());
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t first = data[0] == 0 ? kReceiveBufferSize : data[0];
  const std::size_t second = data[1] == 0 ? kReceiveBufferSize : data[1];
  const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
  // Heads whose path starts "/r" are refused, as the gate refuses a foreign page.
  const HeadCheck check = [](const HttpRequest& head) -> std::optional<HttpResponse> {
    if (!head.path.starts_with("/r")) return std::nullopt;
    return ErrorResponse(403, "refused", "");
  };
  const Outcome a = Drive(input, first, check);
  const Outcome b = Drive(input, second, check);
  if (input.size() < kReceiveBufferSize) {
    FUZZ_CHECK(a.step == b.step);
    FUZZ_CHECK(a.answer == b.answer);
    FUZZ_CHECK(a.length == b.length);
    FUZZ_CHECK(a.request.method == b.request.method && a.request.path == b.request.path);
    FUZZ_CHECK(a.request.query == b.request.query && a.request.headers == b.request.headers);
    // The body bytes that came with the head depend on the split only in how many came.
    const std::size_t common = std::min(a.request.body.size(), b.request.body.size());
    FUZZ_CHECK(a.request.body.substr(0, common) == b.request.body.substr(0, common));
  }
  return 0;
}
