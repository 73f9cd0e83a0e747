#include "platform/folder_window.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace platform {

void OpenFolderWindow(const std::string& folder) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own session, and the ordinary signal dispositions that the main loop changed for itself.
  sigset_t empty;
  ::sigemptyset(&empty);
  sigset_t defaults;
  ::sigemptyset(&defaults);
  ::sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &empty);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  char program[] = "xdg-open";
  std::string target = folder;
  char* const arguments[] = {program, target.data(), nullptr};
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, program, nullptr, &attributes, arguments, environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return;
  // Reaped beside the caller, so that no finished opener stays behind as a zombie.
  std::thread([child] {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace platform
