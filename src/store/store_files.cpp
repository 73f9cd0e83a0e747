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
constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::size_t kTempHexBytes = 6;
constexpr std::string_view kJournalSuffix = "-journal";

}  // namespace

std::string MakeTempPath(const std::string& targetPath) {
  return targetPath + std::string(kTempMarker) + RandomHex(kTempHexBytes);
}

std::string TargetOfTempName(std::string_view name) {
  if (name.ends_with(kJournalSuffix)) name.remove_suffix(kJournalSuffix.size());
  const std::size_t marker = name.rfind(kTempMarker);
  if (marker == std::string_view::npos ||
      !IsLowerHexOfLength(name.substr(marker + kTempMarker.size()), 2 * kTempHexBytes)) {
    return {};
  }
  return std::string(name.substr(0, marker));
}

void DiscardTempFile(const std::string& tempPath) {
  platform::DeleteFile(tempPath);
  platform::DeleteFile(tempPath + std::string(kJournalSuffix));
}

Status MoveIntoPlace(const std::string& tempPath, const std::string& targetPath, bool replaceExisting) {
  // A rollback journal left beside the target belongs to the file there; the library would play it
  // back into the new file and damage it, so such a target is not replaced.
  if (platform::PathExists(targetPath + "-journal")) {
    return Status(StatusCode::Error, "a rollback journal lies beside " + targetPath);
  }
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    if (attempt > 0) platform::SleepMilliseconds(kRenamePauseMs);
    const platform::RenameResult result = replaceExisting
                                              ? platform::ReplaceFileDurably(tempPath, targetPath)
                                              : platform::MoveFileNoReplaceDurably(tempPath, targetPath);
    if (result == platform::RenameResult::Ok) return {};
    if (result == platform::RenameResult::AlreadyExists) return Status(StatusCode::Error, targetPath + " exists");
  }
  return Status(StatusCode::Error, "cannot move the new file onto " + targetPath);
}

Status BuildStoreFile(const std::string& targetPath, bool replaceExisting,
                      const std::function<Status(sqlite3*)>& fill) {
  const std::string temp = MakeTempPath(targetPath);
  Status ready;
  {
    ConnectionHandle connection;
    if (sqlite3_open_v2(temp.c_str(), connection.out(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
        SQLITE_OK) {
      sqlite3_busy_timeout(connection.get(), 5000);
      ready = InitializeStore(connection.get());
      if (ready && fill) ready = fill(connection.get());
    } else {
      ready = SqliteFailure(connection.get());
    }
  }  // closing the connection rolls back a transaction left open by a failure
  if (ready) ready = MoveIntoPlace(temp, targetPath, replaceExisting);
  if (!ready) DiscardTempFile(temp);
  return ready;
}

Status CreateStoreFile(const std::string& targetPath) { return BuildStoreFile(targetPath, true); }

Status CopyStoreFile(DocumentFile& document, const std::string& targetPath) {
  std::lock_guard lock(document.mutex);
  const std::string temp = MakeTempPath(targetPath);
  Status copied;
  {
    // Our own connections are kept out by the mutex; other processes are kept from writing by a
    // read transaction, whose shared lock lasts until the connection closes after the copy.
    ConnectionHandle connection;
    copied = OpenDocumentStore(document, connection);
    if (copied && (!Exec(connection.get(), "BEGIN") || CountRows(connection.get(), "meta") < 0)) {
      copied = SqliteFailure(connection.get());
    }
    if (copied && !platform::CopyFileNoReplace(document.path, temp)) {
      copied = Status(StatusCode::Error, "cannot copy " + document.path + " to " + temp);
    }
  }
  // Only a copy that opens and verifies as a document may take the target's place.
  if (copied) copied = ValidateDocumentFile(temp);
  if (copied) copied = MoveIntoPlace(temp, targetPath, true);
  if (!copied) DiscardTempFile(temp);
  return copied.ok() ? copied : copied.As(StatusCode::Error);
}

Status ReadWholeFile(const std::string& path, std::string& bytes) {
  if (platform::ReadFileBytes(path, kMaxReadBytes, bytes) == platform::ReadResult::Ok) return {};
  return Status(StatusCode::Error, "cannot read " + path);
}
