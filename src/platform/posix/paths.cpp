#include "platform/paths.h"

#include <sys/stat.h>

namespace platform {

// Linux file systems tell letter case apart: two names that differ in case are two documents.
bool SamePath(const std::string& a, const std::string& b) { return a == b; }

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path.front() == '/'; }

bool IsExistingFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace platform
