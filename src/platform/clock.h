#pragma once
// Clocks: a monotonic one for expiry times and the wall clock for time stamps.
#include <cstdint>

namespace platform {

inline constexpr std::int64_t kDayMilliseconds = 86400000;

// Milliseconds since an arbitrary start (system boot); never goes backwards.
std::uint64_t MonotonicMilliseconds();

// Milliseconds since 1970-01-01 00:00 UTC.
std::int64_t SystemMilliseconds();

// The local calendar day of a wall-clock time, as days since 1970-01-01 (the local date of that
// moment in the system's time zone).
std::int32_t LocalDayNumber(std::int64_t systemMilliseconds);

}  // namespace platform
