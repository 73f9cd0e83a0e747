#include "documents/backup_calendar.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "platform/paths.h"
#include "store/document_file.h"
#include "util/text.h"

namespace {

constexpr std::size_t kDailyCopies = 7;
constexpr std::size_t kWeeklyCopies = 4;
constexpr std::size_t kHashLength = 8;
constexpr std::size_t kMaxBaseBytes = 80;  // keeps the backup's name within every file system's limit

// Days since 1970-01-01 and back, for the proleptic Gregorian calendar.
std::int32_t DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int32_t>(dayOfEra) - 719468;
}

std::string CivilDate(std::int32_t days) {
  days += 719468;
  const int era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  const unsigned month = shifted < 10 ? shifted + 3 : shifted - 9;
  const int year = static_cast<int>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, month, day);
  return text;
}

std::string BaseNameOf(const std::string& documentPath) {
  std::string base = platform::FileNameOf(documentPath);
  const std::size_t extension = sizeof kDocumentExtension - 1;
  if (base.size() > extension) {
    std::string tail = base.substr(base.size() - extension);
    for (char& c : tail) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (tail == kDocumentExtension) base.resize(base.size() - extension);
  }
  if (base.size() > kMaxBaseBytes) {
    std::size_t cut = kMaxBaseBytes;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    base.resize(cut);
  }
  return base;
}

}  // namespace

std::int32_t WeekOf(std::int32_t day) { return (day + 3 - ((day + 3) % 7 + 7) % 7) / 7; }

// The hash follows the system's comparison of paths: two spellings of one file share their backups,
// two files whose names differ only in letter case (on Linux) keep apart.
std::string PathHash(const std::string& documentPath) {
  return Sha256Hex(platform::PathComparisonKey(documentPath)).substr(0, kHashLength);
}

std::string DocumentFileStem(const std::string& documentPath) {
  return BaseNameOf(documentPath) + "-" + PathHash(documentPath);
}

std::string BackupName(const std::string& documentPath, std::int32_t day) {
  return DocumentFileStem(documentPath) + "-" + CivilDate(day) + kDocumentExtension;
}

std::optional<std::int32_t> BackupDayOf(const std::string& fileName, const std::string& documentPath) {
  // YYYY-MM-DD ".fcard" at the end, and the whole name the one this document's copy of that day has.
  const std::size_t dateLength = 10;
  const std::size_t extension = sizeof kDocumentExtension - 1;
  if (fileName.size() < dateLength + extension) return std::nullopt;
  const std::string date = fileName.substr(fileName.size() - extension - dateLength, dateLength);
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  char extra = 0;
  if (std::sscanf(date.c_str(), "%4d-%2u-%2u%c", &year, &month, &day, &extra) != 3) return std::nullopt;
  const std::int32_t days = DaysFromCivil(year, month, day);
  if (CivilDate(days) != date) return std::nullopt;  // no 2026-02-30, no signs or spaces
  // Compared as the folder compares its names, so that a copy made under another letter case of
  // the document's path (one file on Windows) stays this document's.
  if (!platform::SamePath(fileName, BackupName(documentPath, days))) return std::nullopt;
  return days;
}

std::vector<std::int32_t> BackupDaysToKeep(std::vector<std::int32_t> days) {
  std::sort(days.begin(), days.end(), std::greater<>());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  std::vector<std::int32_t> kept;
  std::size_t weeks = 0;
  for (std::size_t i = 0; i < days.size(); ++i) {
    if (i < kDailyCopies) {
      kept.push_back(days[i]);
    } else if (weeks < kWeeklyCopies && (weeks == 0 || WeekOf(kept.back()) != WeekOf(days[i]))) {
      // Newest first, so the first day met in a week is that week's newest.
      kept.push_back(days[i]);
      ++weeks;
    }
  }
  return kept;
}

