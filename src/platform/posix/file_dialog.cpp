// The picker is an outside program: the one named by FERNCARD_FILE_DIALOG, else zenity, else
// kdialog. It prints the chosen path on its first output line; any other end means cancelled.
#include "platform/file_dialog.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace platform {
namespace {

bool IsExecutable(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The full path of a program on PATH, or empty.
std::string FindProgram(const std::string& name) {
  const char* searchPath = std::getenv("PATH");
  if (searchPath == nullptr) return {};
  std::string folders = searchPath;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    if (IsExecutable(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

std::vector<std::string> PickerCommand(const FileDialogRequest& request) {
  const std::string pattern = "*" + request.extension;
  const char* custom = std::getenv("FERNCARD_FILE_DIALOG");
  if (custom != nullptr && *custom != '\0') {
    std::vector<std::string> command = {custom, request.save ? "save" : "open", request.title, request.initialName};
    if (!request.initialFolder.empty()) command.push_back(request.initialFolder);
    return command;
  }
  const std::string zenity = FindProgram("zenity");
  if (!zenity.empty()) {
    std::vector<std::string> command = {zenity, "--file-selection", "--title=" + request.title,
                                        "--file-filter=" + request.filterName + " | " + pattern};
    if (request.save) {
      command.push_back("--save");
      command.push_back("--confirm-overwrite");
    }
    // zenity starts in the folder of a --filename that ends in a separator.
    if (!request.initialName.empty()) {
      command.push_back("--filename=" + request.initialName);
    } else if (!request.initialFolder.empty()) {
      command.push_back("--filename=" + request.initialFolder + "/");
    }
    return command;
  }
  const std::string kdialog = FindProgram("kdialog");
  if (!kdialog.empty()) {
    // kdialog asks before it lets the user pick an existing file in its save form.
    const std::string start = !request.initialName.empty()     ? request.initialName
                              : !request.initialFolder.empty() ? request.initialFolder
                                                               : ".";
    return {kdialog, "--title", request.title, request.save ? "--getsavefilename" : "--getopenfilename", start,
            pattern + "|" + request.filterName};
  }
  return {};
}

struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Runs the command with its output on a pipe; true when it ended with code 0. output holds
// everything it printed.
bool RunAndCapture(const std::vector<std::string>& command, std::string& output) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;

  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
  // The main loop blocks the signals that end the program and ignores SIGPIPE; the picker gets
  // the ordinary dispositions back.
  sigset_t empty;
  ::sigemptyset(&empty);
  sigset_t defaults;
  ::sigemptyset(&defaults);
  ::sigaddset(&defaults, SIGPIPE);
  ::sigaddset(&defaults, SIGINT);
  ::sigaddset(&defaults, SIGTERM);
  ::sigaddset(&defaults, SIGHUP);
  posix_spawnattr_setsigmask(&setup.attributes, &empty);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> arguments;
  for (const auto& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);

  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, command[0].c_str(), &setup.actions, &setup.attributes,
                                    arguments.data(), environ);
  ::close(pipeEnds[1]);
  if (spawned != 0) {
    ::close(pipeEnds[0]);
    return false;
  }
  char buffer[4096];
  while (true) {
    const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (count > 0) {
      output.append(buffer, static_cast<std::size_t>(count));
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  ::close(pipeEnds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IsExistingRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool PickDocumentFile(const FileDialogRequest& request, std::string& path) {
  const std::vector<std::string> command = PickerCommand(request);
  if (command.empty()) return false;
  std::string output;
  if (!RunAndCapture(command, output)) return false;
  std::string chosen = output.substr(0, output.find('\n'));
  if (!chosen.empty() && chosen.back() == '\r') chosen.pop_back();
  if (chosen.empty() || chosen.front() != '/') return false;
  // The open form gives only a file that exists, whatever the picker let through.
  if (!request.save && !IsExistingRegularFile(chosen)) return false;
  path = chosen;
  return true;
}

}  // namespace platform
