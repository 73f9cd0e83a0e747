// The session cookie matcher: only the exact name and secret pass, wherever they stand.
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "check.h"
#include "documents/session.h"
#include "http/gate.h"

namespace {

DocumentSession& Session() {
  static AppState app;
  static DocumentSession session(app);
  return session;
}

bool Matches(const std::string& header) {
  HttpRequest request;
  request.headers["cookie"] = header;
  return HasSessionCookie(Session(), request);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DocumentSession& session = Session();
  session.cookieName = "fc_8080";
  session.cookieSecret = std::string(32, 'a') + std::string(32, '7');
  const std::string header(reinterpret_cast<const char*>(data), size);
  const std::string pair = session.cookieName + "=" + session.cookieSecret;
  if (Matches(header)) FUZZ_CHECK(header.find(pair) != std::string::npos);
  FUZZ_CHECK(Matches(header + "; " + pair));
  FUZZ_CHECK(Matches(pair + ";" + header));
  return 0;
}
