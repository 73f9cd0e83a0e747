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

std::int32_t LocalDayNumber(std::int64_t systemMilliseconds) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(systemMilliseconds + 11644473600000) * 10000;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utcTime{};
  SYSTEMTIME localTime{};
  if (!FileTimeToSystemTime(&utc, &utcTime) || !SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &localTime)) {
    return static_cast<std::int32_t>(systemMilliseconds / kDayMilliseconds);
  }
  // The local date's fields read back as a UTC time give whole days since 1970.
  localTime.wHour = 12;
  localTime.wMinute = localTime.wSecond = localTime.wMilliseconds = 0;
  FILETIME dateTime{};
  if (!SystemTimeToFileTime(&localTime, &dateTime)) return static_cast<std::int32_t>(systemMilliseconds / kDayMilliseconds);
  const std::uint64_t dateTicks = (static_cast<std::uint64_t>(dateTime.dwHighDateTime) << 32) | dateTime.dwLowDateTime;
  return static_cast<std::int32_t>((static_cast<std::int64_t>(dateTicks / 10000) - 11644473600000) / kDayMilliseconds);
}

}  // namespace platform
