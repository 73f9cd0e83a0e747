#include "platform/paths.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {

bool AbsolutePath(const std::string& path, std::string& absolute) {
  std::wstring full;
  if (path.empty() || !FullPathName(ToWide(path), full)) return false;
  absolute = FromWide(full);
  return !absolute.empty();
}

// File names on Windows ignore case: the ordinal comparison folds letters the way the file
// system does (also beyond ASCII), without any locale.
bool SamePath(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::wstring wideA = ToWide(a);
  const std::wstring wideB = ToWide(b);
  if (wideA.size() > 0x7fffffff || wideB.size() > 0x7fffffff) return false;
  return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                              static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

// Only ASCII letters are folded: the names of backups made by earlier versions rest on this key,
// and a path that differs in the case of other letters at worst starts a second series of copies.
std::string PathComparisonKey(const std::string& path) {
  std::string folded = path;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string FileNameOf(const std::string& path) {
  const auto separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// "C:\..." and "\\server\share\..." (and their "/" spellings); not "C:name" or "\\name",
// which depend on the current folder of a drive.
bool IsAbsolutePath(const std::string& path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
      path[1] == ':' && separator(path[2])) {
    return true;
  }
  return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

bool IsExistingFile(const std::string& path) {
  if (path.empty()) return false;
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace platform
