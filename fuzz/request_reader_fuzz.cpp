// The request reader over a fake socket that hands out the input in pieces of a chosen size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "check.h"
#include "http/request_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = data[0] == 0 ? kReceiveBufferSize : data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t at = 0;
  const ReceivePiece receive = [&](char* buffer, std::size_t capacity) -> std::int64_t {
    const std::size_t count = std::min({capacity, piece, input.size() - at});
    std::memcpy(buffer, input.data() + at, count);
    at += count;
    return static_cast<std::int64_t>(count);  // 0 once the input is used up: the peer closed
  };
  // Heads whose path starts "/r" are refused by the check, as the gate refuses a foreign page.
  const HeadCheck check = [](const HttpRequest& head) -> std::optional<HttpResponse> {
    if (!head.path.starts_with("/r")) return std::nullopt;
    return ErrorResponse(403, "refused", "");
  };
  HttpRequest request;
  HttpResponse refusal;
  switch (ReadRequestWith(receive, request, refusal, check)) {
    case ReadOutcome::Request: {
      FUZZ_CHECK(request.path.starts_with('/') && !request.path.starts_with("/r"));
      FUZZ_CHECK(request.body.size() <= kMaxBodyLength);
      FUZZ_CHECK(!request.headers.contains("transfer-encoding"));
      // Only CR LF ends a line: a lone CR or LF may stay inside a name or value.
      for (const auto& [name, value] : request.headers) {
        FUZZ_CHECK(!name.empty());
        FUZZ_CHECK(name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ:") == std::string::npos);
        FUZZ_CHECK(name.find("\r\n") == std::string::npos && value.find("\r\n") == std::string::npos);
      }
      break;
    }
    case ReadOutcome::Refused:
      FUZZ_CHECK(refusal.status == 400 || refusal.status == 413 || refusal.status == 403);
      FUZZ_CHECK(request.body.empty());
      break;
    case ReadOutcome::Nothing:
      FUZZ_CHECK(input.empty());
      break;
  }
  return 0;
}
