#include "platform/folders.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/paths.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) folder = FromWide(path);
  CoTaskMemFree(path);  // also on failure, where the call may still have allocated
  return folder;
}

}  // namespace

std::string UserDocumentsFolder() { return KnownFolder(FOLDERID_Documents); }

std::string UserLocalDataFolder() { return KnownFolder(FOLDERID_LocalAppData); }

bool CreateFolderTree(const std::string& path) {
  if (!IsAbsolutePath(path)) return false;
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  // SHCreateDirectoryExW is limited to 248 units; longer paths go folder by folder.
  // The shell call wants the plain form, without "\\?\".
  const std::wstring plain = name.starts_with(L"\\\\?\\UNC\\") ? L"\\" + name.substr(7) : name.substr(4);
  if (plain.size() < 248) {
    const int result = SHCreateDirectoryExW(nullptr, plain.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS) return false;
  } else {
    // Every "\" after the root names a parent; the root itself ("\\?\C:\" or "\\?\UNC\server\share\")
    // always exists.
    for (std::size_t at = name.find(L'\\', 7); at != std::wstring::npos; at = name.find(L'\\', at + 1)) {
      CreateDirectoryW(name.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(name.c_str(), nullptr);
  }
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
