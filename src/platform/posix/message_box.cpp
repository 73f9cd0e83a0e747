#include "platform/message_box.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace platform {
namespace {

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// The full path of a program found on PATH, or empty.
std::string FindOnPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string_view rest(path);
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty()) {
      std::string candidate = std::string(folder) + "/" + std::string(program);
      struct stat info {};
      if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

void WriteErrorOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void ShowErrorBox(const std::string& text) {
  if (!HasDisplay()) return;
  const std::string zenity = FindOnPath("zenity");
  if (zenity.empty()) return;
  // --no-markup: the text is shown as written, never read as markup.
  std::string textArgument = "--text=" + text;
  char arg0[] = "zenity";
  char arg1[] = "--error";
  char arg2[] = "--title=Ferncard";
  char arg3[] = "--no-markup";
  char* const arguments[] = {arg0, arg1, arg2, arg3, textArgument.data(), nullptr};
  pid_t child = 0;
  if (::posix_spawn(&child, zenity.c_str(), nullptr, nullptr, arguments, environ) != 0) return;
  // Like a message box, this waits until the user has closed the dialog.
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace platform
