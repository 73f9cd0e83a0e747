// The legacy import's tree reader: whatever tree.json holds comes into the document byte for byte.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "check.h"
#include "store/legacy_import.h"
#include "store/records.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/ferncard-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(name) != nullptr);
    return std::string(name);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string tree = Folder() + "/tree.json";
  FILE* file = std::fopen(tree.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
  FUZZ_CHECK(std::fclose(file) == 0);

  DocumentFile document;
  document.path = Folder() + "/imported.fcard";
  ::unlink(document.path.c_str());
  FUZZ_CHECK(ImportLegacyFolder(Folder(), document.path));
  std::string body;
  std::string tag;
  FUZZ_CHECK(GetTree(document, body, tag) == StatusCode::Ok);
  FUZZ_CHECK(body == std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
