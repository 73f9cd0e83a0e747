#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <vector>

namespace platform {
namespace {

constexpr std::size_t kLongestPath = 32768;

bool CurrentFolder(std::string& folder) {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() >= kLongestPath) return false;
    buffer.resize(buffer.size() * 2);
  }
  folder = buffer.data();
  return folder.starts_with('/');  // "(unreachable)" and the like are refused
}

}  // namespace

std::string FileNameOf(const std::string& path) {
  const auto separator = path.rfind('/');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool AbsolutePath(const std::string& path, std::string& absolute) {
  if (path.empty()) return false;
  std::string full;
  if (path.starts_with('/')) {
    full = path;
  } else {
    if (!CurrentFolder(full)) return false;
    full += '/';
    full += path;
  }

  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string segment = full.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();  // ".." at the root stays at the root
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }

  std::string result;
  for (const std::string& segment : segments) result += "/" + segment;
  if (result.empty()) result = "/";
  // A path written as a folder keeps its trailing separator.
  if (path.ends_with('/') && result != "/") result += '/';
  if (result.size() >= kLongestPath) return false;
  absolute = std::move(result);
  return true;
}

// Linux file systems tell letter case apart: two names that differ in case are two documents.
bool SamePath(const std::string& a, const std::string& b) { return a == b; }

std::string PathComparisonKey(const std::string& path) { return path; }

bool IsAbsolutePath(const std::string& path) { return path.starts_with('/'); }

bool IsExistingFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace platform
