#include "util/log.h"

#include <cstdio>
#include <mutex>
#include <string>

void LogFailure(std::string_view what, const Status& status) {
  if (status.ok()) return;
  static std::mutex writing;  // lines of two threads never mix
  const std::string line = "ferncard: " + std::string(what) + ": " +
                           (status.cause().empty() ? std::string("no cause given") : status.cause()) + "\n";
  std::lock_guard<std::mutex> lock(writing);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}
