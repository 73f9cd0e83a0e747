// Child processes through fork; the test binary on POSIX systems only.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "support/child_process.h"

bool ChildProcessesSupported() { return true; }

ChildProcess StartChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int code = body();
    ::_exit(code);  // no atexit handlers or test framework teardown in the child
  }
  return ChildProcess{pid};
}

int WaitChild(ChildProcess& child) {
  if (child.id < 0) return -1;
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(static_cast<pid_t>(child.id), &status, 0);
  } while (done < 0 && errno == EINTR);
  child.id = -1;
  if (done < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void KillChild(ChildProcess& child) {
  if (child.id < 0) return;
  ::kill(static_cast<pid_t>(child.id), SIGKILL);
  WaitChild(child);
}

Channel OpenChannel() {
  int ends[2] = {-1, -1};
  if (::pipe(ends) != 0) return {};
  return Channel{ends[0], ends[1]};
}

bool SendLine(const Channel& channel, const char* text) {
  std::string line = std::string(text) + "\n";
  // Lines are short, so one write is atomic and lines of several children never interleave.
  return ::write(channel.writeEnd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

bool ReceiveLine(const Channel& channel, std::string& line) {
  line.clear();
  char c = 0;
  for (;;) {
    const ssize_t got = ::read(channel.readEnd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    if (c == '\n') return true;
    line += c;
  }
}

void CloseWriteEnd(Channel& channel) {
  if (channel.writeEnd >= 0) ::close(channel.writeEnd);
  channel.writeEnd = -1;
}

void CloseChannel(Channel& channel) {
  CloseWriteEnd(channel);
  if (channel.readEnd >= 0) ::close(channel.readEnd);
  channel.readEnd = -1;
}
