#include "store/legacy_import.h"

#include <sqlite3.h>

#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "store/format.h"
#include "store/images.h"
#include "store/records.h"
#include "store/store_files.h"
#include "util/text.h"

namespace {

struct ImportStep {
  bool ok = false;
  std::int64_t count = 0;
};

// The old layout was written on Windows, whose "*.html" match ignores case.
bool EndsWithHtml(const std::string& name) { return EndsWithIgnoringAsciiCase(name, ".html"); }

ImportStep ImportPages(sqlite3* connection, const std::string& folder) {
  const std::string pagesFolder = platform::JoinPath(folder, "pages");
  std::vector<platform::FolderEntry> entries;
  const platform::ListResult listed = platform::ListFolder(pagesFolder, entries);
  if (listed == platform::ListResult::NoSuchFolder) return {true, 0};
  if (listed != platform::ListResult::Ok) return {false, 0};
  ImportStep step{true, 0};
  for (const auto& entry : entries) {
    if (!EndsWithHtml(entry.name)) continue;
    const std::string id = entry.name.substr(0, entry.name.size() - 5);
    if (!IsPageIdShape(id)) continue;
    // A matching name that cannot be read (a folder included) fails the import rather than losing a page.
    std::string body;
    if (!ReadWholeFile(platform::JoinPath(pagesFolder, entry.name), body) ||
        !WriteRow(connection, "pages", id, body)) {
      return {false, step.count};
    }
    ++step.count;
  }
  return step;
}

ImportStep ImportImages(sqlite3* connection, const std::string& folder) {
  const std::string imagesFolder = platform::JoinPath(folder, "images");
  std::vector<platform::FolderEntry> entries;
  const platform::ListResult listed = platform::ListFolder(imagesFolder, entries);
  if (listed == platform::ListResult::NoSuchFolder) return {true, 0};
  if (listed != platform::ListResult::Ok) return {false, 0};
  ImportStep step{true, 0};
  for (const auto& entry : entries) {
    if (entry.isFolder) continue;
    const auto dot = entry.name.find('.');
    if (dot == std::string::npos) continue;
    const std::string id = entry.name.substr(0, dot);
    if (!IsLowerHexOfLength(id, 32)) continue;
    std::string bytes;
    if (!ReadWholeFile(platform::JoinPath(imagesFolder, entry.name), bytes)) return {false, step.count};
    if (!SniffImageType(bytes)) continue;  // the type comes from the bytes, never from the extension
    if (!InsertImageRow(connection, id, bytes, entry.lastWriteMs)) return {false, step.count};
    ++step.count;
  }
  return step;
}

// Fills the open, initialised temporary document; false at the first failure.
bool FillDocument(sqlite3* connection, const std::string& folder) {
  if (!Exec(connection, "BEGIN IMMEDIATE")) return false;
  std::string tree;
  if (!ReadWholeFile(platform::JoinPath(folder, "tree.json"), tree)) return false;
  if (!WriteRow(connection, "meta", "tree", tree)) return false;
  std::string backup;
  if (ReadWholeFile(platform::JoinPath(folder, "tree.json.bak"), backup) &&
      !WriteRow(connection, "meta", "tree.bak", backup)) {
    return false;
  }
  const ImportStep pages = ImportPages(connection, folder);
  if (!pages.ok) return false;
  const ImportStep images = ImportImages(connection, folder);
  if (!images.ok) return false;
  if (!Exec(connection, "COMMIT")) return false;
  return CountRows(connection, "pages") == pages.count && CountRows(connection, "images") == images.count;
}

}  // namespace

Status ImportLegacyFolder(const std::string& folder, const std::string& targetPath) {
  if (platform::PathExists(targetPath)) return Status(StatusCode::Error, targetPath + " exists");
  // The target is never replaced: a file that appeared there meanwhile stays as it is.
  return BuildStoreFile(targetPath, false, [&folder](sqlite3* connection) {
    if (FillDocument(connection, folder)) return Status();
    return Status(StatusCode::Error, "cannot import " + folder + ": " + sqlite3_errmsg(connection));
  });
}
