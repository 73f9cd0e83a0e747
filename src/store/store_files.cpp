#include "store/store_files.h"

#include <sqlite3.h>

#include <mutex>

#include "platform/files.h"
#include "store/format.h"
#include "store/records.h"
#include "util/text.h"

namespace {

constexpr int kRenameAttempts = 10;
constexpr int kRenamePauseMs = 200;
constexpr std::uint64_t kMaxReadBytes = 1073741824;  // 1 GiB

}  // namespace

std::string MakeTempPath(const std::string& targetPath) { return targetPath + ".tmp-" + RandomHex(6); }

void DiscardTempFile(const std::string& tempPath) {
  platform::DeleteFile(tempPath);
  platform::DeleteFile(tempPath + "-journal");
}

bool MoveIntoPlace(const std::string& tempPath, const std::string& targetPath, bool replaceExisting) {
  // A rollback journal left beside the target belongs to the file there; the library would play it
  // back into the new file and damage it, so such a target is not replaced.
  if (platform::PathExists(targetPath + "-journal")) return false;
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    if (attempt > 0) platform::SleepMilliseconds(kRenamePauseMs);
    const platform::RenameResult result = replaceExisting
                                              ? platform::ReplaceFileDurably(tempPath, targetPath)
                                              : platform::MoveFileNoReplaceDurably(tempPath, targetPath);
    if (result == platform::RenameResult::Ok) return true;
    if (result == platform::RenameResult::AlreadyExists) return false;
  }
  return false;
}

bool CreateStoreFile(const std::string& targetPath) {
  const std::string temp = MakeTempPath(targetPath);
  bool ready = false;
  {
    ConnectionHandle connection;
    if (sqlite3_open_v2(temp.c_str(), connection.out(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
        SQLITE_OK) {
      sqlite3_busy_timeout(connection.get(), 5000);
      ready = InitializeStore(connection.get());
    }
  }
  if (ready && MoveIntoPlace(temp, targetPath, true)) return true;
  DiscardTempFile(temp);
  return false;
}

bool CopyStoreFile(DocumentFile& document, const std::string& targetPath) {
  std::lock_guard<std::mutex> lock(document.mutex);
  const std::string temp = MakeTempPath(targetPath);
  bool copied = false;
  {
    // Our own connections are kept out by the mutex; other processes are kept from writing by a
    // read transaction, whose shared lock lasts until the connection closes after the copy.
    ConnectionHandle connection;
    if (OpenDocumentStore(document, connection) == StoreOpenResult::Ok &&
        Exec(connection.get(), "BEGIN") &&
        CountRows(connection.get(), "meta") >= 0) {
      copied = platform::CopyFileNoReplace(document.path, temp);
    }
  }
  // Only a copy that opens and verifies as a document may take the target's place.
  std::string accepted;
  std::string message;
  if (copied && ValidateDocumentFile(temp, accepted, message) && MoveIntoPlace(temp, targetPath, true)) return true;
  DiscardTempFile(temp);
  return false;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  return platform::ReadFileBytes(path, kMaxReadBytes, bytes) == platform::ReadResult::Ok;
}
