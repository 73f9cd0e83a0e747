// The session cookie matcher: only the exact name and secret pass, wherever they stand.
#include <cstdint>
#include <string>

#include "check.h"
#include "http/gate.h"

namespace {

bool Matches(const GateKeys& keys, const std::string& header) {
  HttpRequest request;
  request.headers["cookie"] = header;
  return HasSessionCookie(keys, request);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  GateKeys keys;
  keys.port = 8080;
  keys.cookieName = "fc_8080";
  keys.cookieSecret = std::string(32, 'a') + std::string(32, '7');
  const std::string header(reinterpret_cast<const char*>(data), size);
  const std::string pair = keys.cookieName + "=" + keys.cookieSecret;
  if (Matches(keys, header)) FUZZ_CHECK(header.find(pair) != std::string::npos);
  FUZZ_CHECK(Matches(keys, header + "; " + pair));
  FUZZ_CHECK(Matches(keys, pair + ";" + header));
  return 0;
}
