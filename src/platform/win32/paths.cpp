#include "platform/paths.h"

#include "platform/win32/wide.h"

namespace platform {

bool AbsolutePath(const std::string& path, std::string& absolute) {
  std::wstring full;
  if (path.empty() || !FullPathName(ToWide(path), full)) return false;
  absolute = FromWide(full);
  return !absolute.empty();
}

}  // namespace platform
