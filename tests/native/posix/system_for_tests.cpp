#include "support/system_for_tests.h"

#include <fcntl.h>
#include <sys/stat.h>

bool RunningUnderWine() { return false; }

bool FileNamesIgnoreCase() { return false; }

bool SetLastWriteMs(const std::string& path, std::int64_t millisecondsSince1970) {
  timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(millisecondsSince1970 / 1000);
  times[1].tv_nsec = static_cast<long>(millisecondsSince1970 % 1000) * 1000000;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}
