#include "platform/folders.h"

#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"

namespace platform {
namespace {

constexpr std::uint64_t kMaxUserDirsBytes = 1 << 20;

std::string AbsoluteEnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || !IsAbsolutePath(value)) return {};
  return value;
}

std::string HomeFolder() {
  std::string home = AbsoluteEnvironmentValue("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && IsAbsolutePath(found->pw_dir)) {
    return found->pw_dir;
  }
  return {};
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The Documents folder named in the user's user-dirs.dirs: a shell assignment whose quoted value
// is either absolute or begins with $HOME. Empty when the file does not name a usable one.
std::string DocumentsFolderFromUserDirs(const std::string& home) {
  std::string configHome = AbsoluteEnvironmentValue("XDG_CONFIG_HOME");
  if (configHome.empty()) configHome = JoinPath(home, ".config");
  std::string bytes;
  if (ReadFileBytes(JoinPath(configHome, "user-dirs.dirs"), kMaxUserDirsBytes, bytes) != ReadResult::Ok) return {};

  static const std::string kKey = "XDG_DOCUMENTS_DIR=";
  std::string result;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = Trim(bytes.substr(start, end - start));
    start = end + 1;
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    std::string unquoted;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
      if (value[i] == '\\' && i + 2 < value.size()) ++i;
      unquoted += value[i];
    }
    if (unquoted.compare(0, 5, "$HOME") == 0 && (unquoted.size() == 5 || unquoted[5] == '/')) {
      result = home + unquoted.substr(5);  // the last assignment wins, as in the shell
    } else if (IsAbsolutePath(unquoted)) {
      result = unquoted;
    }
  }
  return result;
}

}  // namespace

std::string UserDocumentsFolder() {
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  std::string folder = DocumentsFolderFromUserDirs(home);
  if (folder.empty()) folder = JoinPath(home, "Documents");
  return folder;
}

std::string UserLocalDataFolder() {
  std::string state = AbsoluteEnvironmentValue("XDG_STATE_HOME");
  if (!state.empty()) return state;
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return JoinPath(JoinPath(home, ".local"), "state");
}

bool CreateFolderTree(const std::string& path) {
  if (!IsAbsolutePath(path)) return false;
  std::size_t next = 1;
  while (true) {
    const std::size_t slash = path.find('/', next);
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) break;
    next = slash + 1;
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform
