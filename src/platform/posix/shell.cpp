#include "platform/shell.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

std::string FolderOf(const std::string& filePath) {
  const std::size_t slash = filePath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return filePath.substr(0, slash);
}

}  // namespace

// xdg-open cannot select a file, so the folder is opened. The opener runs in a grandchild in its
// own session, with its input and output on /dev/null, so it neither holds our terminal nor
// becomes a zombie; the intermediate child is reaped at once.
void ShowInFolder(const std::string& filePath) {
  const std::string folder = FolderOf(filePath);
  // Everything the children need is prepared before fork: after it only async-signal-safe calls.
  char program[] = "xdg-open";
  char* const argv[] = {program, const_cast<char*>(folder.c_str()), nullptr};
  const long maxDescriptors = sysconf(_SC_OPEN_MAX);
  const int lastDescriptor = maxDescriptors > 0 && maxDescriptors < 65536 ? static_cast<int>(maxDescriptors) : 65536;

  const pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(0);
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, STDIN_FILENO);
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
    }
    // The file manager must not inherit our listening sockets or the document's file.
    if (close_range(STDERR_FILENO + 1, ~0u, 0) != 0) {
      for (int fd = STDERR_FILENO + 1; fd < lastDescriptor; ++fd) close(fd);
    }
    execvp(program, argv);
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace platform
