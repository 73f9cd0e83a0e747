// The recent-files list reader: whatever the file holds, the entries are paths it could have written.
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "documents/recent_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto entries = ParseRecentList(std::string_view(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(entries.size() <= kMaxRecentFiles);
  std::string rewritten;
  for (const auto& entry : entries) {
    FUZZ_CHECK(!entry.empty());
    FUZZ_CHECK(entry.find_first_of("\r\n") == std::string::npos);
    rewritten += entry + "\n";
  }
  FUZZ_CHECK(ParseRecentList(rewritten) == entries);  // what is written back reads the same
  return 0;
}
