#pragma once
// The parsed command line. Paths are UTF-8 inside the program.
#include <cstdint>
#include <string>

struct StartupOptions {
  std::string documentPath;  // the positional argument, made absolute; empty when none
  std::string dataFolder;    // --data, unchanged
  std::int32_t port = 0;     // --port; 0 means the automatic range
  std::string pageId;        // --page; empty or in the page identifier shape
  bool noBrowser = false;    // --no-browser; also switches quiet mode on
  std::string ticketFile;    // --ticket-file, unchanged
};
