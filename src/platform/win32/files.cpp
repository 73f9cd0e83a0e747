// Files and folders through the wide Windows file calls, always with long-path names.
#include <windows.h>
#undef DeleteFile  // the Windows macro would rename ours

#include "platform/files.h"

#include <algorithm>

#include "platform/win32/wide.h"

namespace platform {
namespace {

struct FileHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  explicit FileHandle(HANDLE value) : handle(value) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};

struct FindHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~FindHandle() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Flushing needs write access; the file is shared with every other opener.
bool FlushFile(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && FlushFileBuffers(file.handle) != 0;
}

std::int64_t UnixMilliseconds(const FILETIME& time) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000) - 11644473600000;  // 100 ns since 1601 -> ms since 1970
}

RenameResult Move(const std::string& from, const std::string& to, DWORD flags) {
  const std::wstring source = SystemPath(from);
  const std::wstring target = SystemPath(to);
  if (source.empty() || target.empty()) return RenameResult::Failed;
  if (!FlushFile(source)) return RenameResult::Failed;
  // MOVEFILE_WRITE_THROUGH returns only once the new name is on disk.
  if (MoveFileExW(source.c_str(), target.c_str(), flags)) return RenameResult::Ok;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return RenameResult::AlreadyExists;
  return RenameResult::Failed;
}

// The volume and file index that identify a file whatever name reaches it; false when it cannot be read.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  FileHandle file(CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.valid() && GetFileInformationByHandle(file.handle, &info) != 0;
}

}  // namespace

bool SameExistingFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return FileIdentity(a, first) && FileIdentity(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool OpenFilesCanBeReplaced() { return false; }

std::string FileIdentityOf(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!FileIdentity(path, info)) return {};
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
         std::to_string(info.nFileIndexLow);
}

std::string CanonicalPath(const std::string& path) {
  const std::wstring name = SystemPath(path);
  if (name.empty()) return {};
  FileHandle file(CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return {};
  std::wstring resolved(32768, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(file.handle, resolved.data(), static_cast<DWORD>(resolved.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= resolved.size()) return {};
  resolved.resize(length);
  // The answer carries the long-path prefix: "\\?\C:\..." or "\\?\UNC\server\share\...".
  if (resolved.starts_with(L"\\\\?\\UNC\\")) return FromWide(L"\\\\" + resolved.substr(8));
  if (resolved.starts_with(L"\\\\?\\")) return FromWide(resolved.substr(4));
  return FromWide(resolved);
}

bool PathExists(const std::string& path) {
  const std::wstring name = SystemPath(path);
  return !name.empty() && GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

RenameResult ReplaceFileDurably(const std::string& from, const std::string& to) {
  return Move(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

RenameResult MoveFileNoReplaceDurably(const std::string& from, const std::string& to) {
  return Move(from, to, MOVEFILE_WRITE_THROUGH);
}

bool CopyFileNoReplace(const std::string& from, const std::string& to) {
  const std::wstring source = SystemPath(from);
  const std::wstring target = SystemPath(to);
  if (source.empty() || target.empty()) return false;
  // Fails without touching anything when the target exists.
  if (!CopyFileW(source.c_str(), target.c_str(), TRUE)) return false;
  // The copy takes the source's attributes; a read-only document must give a writable copy.
  bool ok = SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL) != 0 && FlushFile(target);
  if (!ok) DeleteFileW(target.c_str());
  return ok;
}

bool DeleteFile(const std::string& path) {
  const std::wstring name = SystemPath(path);
  return !name.empty() && DeleteFileW(name.c_str()) != 0;
}

ReadResult ReadFileInto(const std::string& path, std::uint64_t maxBytes, const ReadPlace& place) {
  const std::wstring name = SystemPath(path);
  if (name.empty()) return ReadResult::Failed;
  // Backup semantics let a folder open too, so that it is told apart from an unreadable file.
  FileHandle file(CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return ReadResult::Failed;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file.handle) != FILE_TYPE_DISK) return ReadResult::NotARegularFile;
  if (!GetFileInformationByHandle(file.handle, &info)) return ReadResult::Failed;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ReadResult::NotARegularFile;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.handle, &size) || size.QuadPart < 0) return ReadResult::Failed;
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return ReadResult::TooLarge;
  const auto total = static_cast<std::size_t>(size.QuadPart);
  char* bytes = place(total);
  if (bytes == nullptr && total > 0) return ReadResult::Failed;
  std::size_t filled = 0;
  while (filled < total) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(total - filled, 1048576));
    DWORD got = 0;
    if (!ReadFile(file.handle, bytes + filled, chunk, &got, nullptr) || got == 0) return ReadResult::Failed;
    filled += got;
  }
  return ReadResult::Ok;
}

bool ReadFileStart(const std::string& path, std::size_t count, std::string& bytes) {
  bytes.clear();
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  FileHandle file(CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (!file.valid()) return false;
  bytes.assign(count, '\0');
  std::size_t filled = 0;
  while (filled < count) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - filled, 1048576));
    if (!ReadFile(file.handle, bytes.data() + filled, chunk, &got, nullptr)) {
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return true;
}

bool SetLastWriteTime(const std::string& path, std::int64_t milliseconds) {
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  FileHandle file(CreateFileW(name.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const std::uint64_t ticks = static_cast<std::uint64_t>(milliseconds + 11644473600000) * 10000;
  const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  return SetFileTime(file.handle, nullptr, nullptr, &written) != 0;
}

ListResult ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::wstring pattern = SystemPath(folder);
  if (pattern.empty()) return ListResult::Failed;
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  FindHandle find;
  find.handle = FindFirstFileW(pattern.c_str(), &found);
  if (find.handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A missing folder, or a file in its place, reports different errors on different systems.
    if (!IsFolder(folder)) return ListResult::NoSuchFolder;
    // An empty drive root lists nothing at all, not even "." and "..".
    if (error == ERROR_FILE_NOT_FOUND) return ListResult::Ok;
    return ListResult::Failed;
  }
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back(FolderEntry{FromWide(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                  UnixMilliseconds(found.ftLastWriteTime)});
  } while (FindNextFileW(find.handle, &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    entries.clear();
    return ListResult::Failed;
  }
  return ListResult::Ok;
}

void SleepMilliseconds(int milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

}  // namespace platform
