#include "platform/clock.h"

#include <windows.h>

namespace platform {

std::uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

std::int64_t SystemMilliseconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000) - 11644473600000;  // 100 ns since 1601 -> ms since 1970
}

}  // namespace platform
