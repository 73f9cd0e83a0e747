#pragma once
// The calendar of the backups and the pages' history, apart from copying and scheduling: what a
// backup of a document on a day is named, which day a name is of, and which days' copies stay.
// Pure functions of their arguments (and of how the system compares paths).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Calendar weeks from Monday (1970-01-01 was a Thursday): the week of a day since 1970-01-01.
std::int32_t WeekOf(std::int32_t day);

// A short hash of the document's full path, taken as the system compares paths: two spellings
// of one file share it, two files whose names differ only in letter case (on Linux) do not.
std::string PathHash(const std::string& documentPath);

// What names every file kept for a document in the data folder: the document's name and a short
// hash of its full path, so that documents of one name keep apart: "Notes-1a2b3c4d".
std::string DocumentFileStem(const std::string& documentPath);

// The backup's file name for a document and a local day (days since 1970-01-01): the document's
// name, a short hash of its full path as the system compares paths (so that documents of one
// name keep apart), and the date: "Notes-1a2b3c4d-2026-12-07.fcard".
std::string BackupName(const std::string& documentPath, std::int32_t day);

// The day of a backup file name of this document, or none for any other name: the whole name is
// compared, as the system compares file names.
std::optional<std::int32_t> BackupDayOf(const std::string& fileName, const std::string& documentPath);

// Which days' backups stay: the 7 newest, then the newest one of each of the 4 calendar weeks
// (Monday to Sunday) before them that hold one. Newest first.
std::vector<std::int32_t> BackupDaysToKeep(std::vector<std::int32_t> days);
