#include "platform/small_files.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool WriteFileParts(const std::string& path, std::initializer_list<std::string_view> parts) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  for (const std::string_view bytes : parts) {
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) ok = false;
      else done += static_cast<std::size_t>(wrote);
    }
  }
  // Linux releases the descriptor even when close reports an error: never close it twice.
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace platform
