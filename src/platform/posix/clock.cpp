#include "platform/clock.h"

#include <ctime>

namespace platform {

std::uint64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

std::int64_t SystemMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + static_cast<std::int64_t>(now.tv_nsec) / 1000000;
}

std::int32_t LocalDayNumber(std::int64_t systemMilliseconds) {
  const std::time_t seconds = static_cast<std::time_t>(systemMilliseconds / 1000);
  std::tm local{};
  if (::localtime_r(&seconds, &local) == nullptr) return static_cast<std::int32_t>(systemMilliseconds / kDayMilliseconds);
  // timegm reads the local fields as if they were UTC: whole days since the epoch of that date.
  local.tm_hour = 12;
  return static_cast<std::int32_t>(::timegm(&local) / 86400);
}

}  // namespace platform
