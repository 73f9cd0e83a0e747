#include "platform/main_loop.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace platform {
namespace {

sigset_t EndRequests() {
  sigset_t set;
  ::sigemptyset(&set);
  ::sigaddset(&set, SIGINT);
  ::sigaddset(&set, SIGTERM);
  // A hang-up (end of the login session) ends the program too, unless it was started to ignore it.
  struct sigaction current {};
  if (::sigaction(SIGHUP, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) ::sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

bool PrepareMainLoop() {
  // A peer that closes its connection early must not end the process.
  ::signal(SIGPIPE, SIG_IGN);
  // Every thread started later inherits this mask, so only the main loop sees these signals.
  const sigset_t set = EndRequests();
  return ::pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

void RunMainLoop(const std::vector<LoopSource>& sources) {
  const sigset_t set = EndRequests();
  const int signals = ::signalfd(-1, &set, SFD_CLOEXEC);
  if (signals < 0) {
    int received = 0;
    ::sigwait(&set, &received);  // no descriptor for the signals: wait for them alone
    return;
  }
  std::vector<pollfd> watched;
  watched.push_back({signals, POLLIN, 0});
  for (const auto& source : sources) watched.push_back({static_cast<int>(source.handle), POLLIN, 0});

  while (true) {
    for (auto& entry : watched) entry.revents = 0;
    if (::poll(watched.data(), watched.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[0].revents != 0) break;
    for (std::size_t i = 1; i < watched.size(); ++i) {
      if (watched[i].revents != 0) sources[i - 1].onReady();
    }
  }
  ::close(signals);
}

}  // namespace platform
