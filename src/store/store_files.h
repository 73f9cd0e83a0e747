#pragma once
// New documents, copies and temporary files beside their targets.
#include <functional>
#include <string>
#include <string_view>

#include "store/document_file.h"

struct sqlite3;

// "<target>.tmp-<12 hex digits>": beside its target, so that it moves into place in one rename.
std::string MakeTempPath(const std::string& targetPath);
// The name a temporary file's name (or its journal's) stands in for; empty for any other name.
std::string TargetOfTempName(std::string_view name);
// Makes a new document at targetPath through a temporary file beside it: initialised, then filled
// by fill (when given) on its open connection, then moved into place, replacing an existing file
// only when replaceExisting. Nothing is left behind on failure.
Status BuildStoreFile(const std::string& targetPath, bool replaceExisting,
                      const std::function<Status(sqlite3*)>& fill = nullptr);
Status CreateStoreFile(const std::string& targetPath);
Status CopyStoreFile(DocumentFile& document, const std::string& targetPath);
Status ReadWholeFile(const std::string& path, std::string& bytes);

// Renames a finished temporary file onto its target, retrying 10 times 200 ms apart while the
// target or the file is held by someone else. Stops at once when the target exists and
// replaceExisting is false. Never replaces a target that has a rollback journal beside it.
Status MoveIntoPlace(const std::string& tempPath, const std::string& targetPath, bool replaceExisting);

// Deletes a temporary document and its journal, if any; results are ignored.
void DiscardTempFile(const std::string& tempPath);
