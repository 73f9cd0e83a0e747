#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace platform {
namespace {

// Closes a descriptor on every path.
struct Fd {
  int fd = -1;
  explicit Fd(int value) : fd(value) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string ParentFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool SyncPath(const std::string& path, int flags) {
  Fd file(::open(path.c_str(), flags | O_CLOEXEC));
  if (file.fd < 0) return false;
  return ::fsync(file.fd) == 0;
}

bool SyncFolderOf(const std::string& path) { return SyncPath(ParentFolder(path), O_RDONLY | O_DIRECTORY); }

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

std::int64_t ModifiedMs(const struct stat& info) {
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

}  // namespace

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

bool OpenFilesCanBeReplaced() { return true; }

std::string FileIdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::string CanonicalPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string canonical = resolved;
  std::free(resolved);
  return canonical;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

RenameResult ReplaceFileDurably(const std::string& from, const std::string& to) {
  if (!SyncPath(from, O_RDONLY)) return RenameResult::Failed;
  if (::rename(from.c_str(), to.c_str()) != 0) return RenameResult::Failed;
  SyncFolderOf(to);
  return RenameResult::Ok;
}

RenameResult MoveFileNoReplaceDurably(const std::string& from, const std::string& to) {
  if (!SyncPath(from, O_RDONLY)) return RenameResult::Failed;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno == EEXIST) return RenameResult::AlreadyExists;
    if (errno != EINVAL && errno != ENOSYS) return RenameResult::Failed;
    // The file system cannot rename without replacing: a hard link is just as exclusive.
    if (::link(from.c_str(), to.c_str()) != 0) {
      return errno == EEXIST ? RenameResult::AlreadyExists : RenameResult::Failed;
    }
    ::unlink(from.c_str());
  }
  SyncFolderOf(to);
  return RenameResult::Ok;
}

bool CopyFileNoReplace(const std::string& from, const std::string& to) {
  Fd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.fd < 0) return false;
  Fd target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (target.fd < 0) return false;
  bool ok = true;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(source.fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    if (!WriteAll(target.fd, buffer, static_cast<std::size_t>(got))) {
      ok = false;
      break;
    }
  }
  // The umask may have taken the owner's write bit; the copy must be writable by its owner.
  ok = ok && ::fchmod(target.fd, 0644) == 0 && ::fsync(target.fd) == 0;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

ReadResult ReadFileInto(const std::string& path, std::uint64_t maxBytes, const ReadPlace& place) {
  // Non-blocking so that a named pipe cannot hang the open; regular files ignore the flag.
  Fd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) return ReadResult::Failed;
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) return ReadResult::Failed;
  if (!S_ISREG(info.st_mode)) return ReadResult::NotARegularFile;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size > maxBytes) return ReadResult::TooLarge;
  char* bytes = place(static_cast<std::size_t>(size));
  if (bytes == nullptr && size > 0) return ReadResult::Failed;
  std::size_t filled = 0;
  while (filled < size) {
    const std::size_t chunk = std::min<std::size_t>(size - filled, 1048576);
    const ssize_t got = ::read(file.fd, bytes + filled, chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return ReadResult::Failed;
    filled += static_cast<std::size_t>(got);
  }
  return ReadResult::Ok;
}

bool ReadFileStart(const std::string& path, std::size_t count, std::string& bytes) {
  bytes.assign(count, '\0');
  Fd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  std::size_t filled = 0;
  while (file.fd >= 0 && filled < count) {
    const ssize_t got = ::read(file.fd, bytes.data() + filled, count - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return file.fd >= 0;
}

bool SetLastWriteTime(const std::string& path, std::int64_t milliseconds) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays
  times[1].tv_sec = static_cast<time_t>(milliseconds / 1000);
  times[1].tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

ListResult ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return (errno == ENOENT || errno == ENOTDIR) ? ListResult::NoSuchFolder : ListResult::Failed;
  ListResult result = ListResult::Ok;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) result = ListResult::Failed;
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    const std::string full = JoinPath(folder, name);
    if (::stat(full.c_str(), &info) != 0 && ::lstat(full.c_str(), &info) != 0) {
      result = ListResult::Failed;
      break;
    }
    entries.push_back(FolderEntry{name, S_ISDIR(info.st_mode), ModifiedMs(info)});
  }
  ::closedir(dir);
  if (result != ListResult::Ok) entries.clear();
  return result;
}

void SleepMilliseconds(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
