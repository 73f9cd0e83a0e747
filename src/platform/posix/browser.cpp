#include "platform/browser.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

// The first executable file called name in a folder of PATH; empty when there is none.
std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  const std::string folders = path;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    start = end + 1;
    if (folder.empty() || folder.front() != '/') continue;  // never run programs relative to the current folder
    const std::string candidate = folder + "/" + name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

constexpr int kWatchMs = 2000;  // a browser that cannot show its window ends with an error at once
constexpr int kWatchStepMs = 50;

// Whether a window can be shown at all: over SSH or in a container there is no display.
bool HasGraphicalSession() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

// Starts program with the arguments as a process of its own session that is not our child, so it
// outlives us and never becomes a zombie. True when the program was executed and did not end with
// an error within the first two seconds; takes that long when it keeps running.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int report[2];  // the grandchild writes errno here when exec fails; closes on exec otherwise
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);

  // Between fork and exec only async-signal-safe calls: everything is prepared above.
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    if (devNull >= 0) ::close(devNull);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) ::_exit(1);
    if (grandchild > 0) {
      // The middle process watches the program for a while, then leaves it to init.
      for (int waited = 0; waited < kWatchMs; waited += kWatchStepMs) {
        int status = 0;
        const pid_t ended = ::waitpid(grandchild, &status, WNOHANG);
        if (ended == grandchild) ::_exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
        if (ended < 0 && errno != EINTR) ::_exit(0);
        struct timespec pause {0, kWatchStepMs * 1000000L};
        ::nanosleep(&pause, nullptr);
      }
      ::_exit(0);
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (devNull >= 0) {
      ::dup2(devNull, 0);
      ::dup2(devNull, 1);
      ::dup2(devNull, 2);
    }
    ::execv(program.c_str(), argv.data());
    const int error = errno;
    (void)!::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  if (devNull >= 0) ::close(devNull);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

// True when one of the browsers, or the default handler, started and kept going.
bool StartAnyBrowser(const std::string& address) {
  for (const char* name : {"microsoft-edge", "google-chrome", "chromium", "chromium-browser"}) {
    const std::string browser = FindOnPath(name);
    if (!browser.empty() && StartDetached(browser, {"--app=" + address})) return true;
  }
  const std::string opener = FindOnPath("xdg-open");
  return !opener.empty() && StartDetached(opener, {address});
}

}  // namespace

void OpenAddressInBrowser(const std::string& address, std::function<void()> notShown) {
  if (!HasGraphicalSession()) {
    notShown();
    return;
  }
  // The watch takes two seconds; the caller (a start, a hand-off, a file request) goes on meanwhile.
  const auto open = [address, notShown] {
    if (!StartAnyBrowser(address)) notShown();
  };
  try {
    std::thread(open).detach();
  } catch (const std::system_error&) {
    open();
  }
}

}  // namespace platform
