// Tree writes through the API handler: a tree that is taken reads back byte for byte; one that is
// refused leaves the stored tree as it was.
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "api/record_endpoints.h"
#include "check.h"
#include "documents/session.h"
#include "store/store_files.h"

namespace {

// One open document for the whole run, as a session holds it (no listener, no history).
DocumentSession& Session() {
  static OpenDocuments documents;
  static DocumentSession session(documents);
  if (session.document.path.empty()) {
    char folder[] = "/tmp/ferncard-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(folder) != nullptr);
    session.document.path = std::string(folder) + "/tree.fcard";
    FUZZ_CHECK(CreateStoreFile(session.document.path));
  }
  return session;
}

std::string Header(const HttpResponse& response, const std::string& name) {
  for (const auto& [key, value] : response.headers) {
    if (key == name) return value;
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DocumentSession& session = Session();
  const HttpRequest get;
  const ApiPathIds none;
  const HttpResponse before = AnswerGetTree(session, get, none);
  FUZZ_CHECK(before.status == 200);

  HttpRequest put;
  put.method = "PUT";
  put.path = "/api/tree";
  put.headers["if-match"] = Header(before, "ETag");
  put.body.assign(reinterpret_cast<const char*>(data), size);
  const HttpResponse written = AnswerPutTree(session, put, none);

  const HttpResponse after = AnswerGetTree(session, get, none);
  FUZZ_CHECK(after.status == 200);
  if (written.status == 200) {
    FUZZ_CHECK(after.body == put.body);
    FUZZ_CHECK(Header(after, "ETag") == Header(written, "ETag"));
  } else {
    FUZZ_CHECK(written.status == 400);
    FUZZ_CHECK(after.body == before.body);
  }
  return 0;
}
