#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "documents/backups.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "store/store_files.h"
#include "support/store_test_support.h"

namespace {

constexpr std::int32_t kJanuaryFirst2026 = 20454;  // a Thursday
constexpr std::int64_t kNoonOfJanuaryFirst2026 = (static_cast<std::int64_t>(kJanuaryFirst2026) * 24 + 12) * 3600 * 1000;

// The dates of the document's backups in the folder, oldest first, as "MM-DD".
std::string BackupDates(const std::string& folder, const std::string& documentPath) {
  std::istringstream names(ListNames(folder));
  std::vector<std::string> dates;
  for (std::string name; names >> name;) {
    if (!BackupDayOf(name, documentPath)) return "unexpected " + name;
    dates.push_back(name.substr(name.size() - 11, 5));
  }
  std::string joined;
  for (const auto& date : dates) joined += (joined.empty() ? "" : " ") + date;
  return joined;
}

}  // namespace

TEST(Backups, NamesCarryTheDocumentsNamePathHashAndDate) {
  const std::string path = "/home/a/Notes.FCARD";
  const std::string name = BackupName(path, kJanuaryFirst2026 + 340);
  ASSERT_EQ(name.size(), std::string("Notes-12345678-2026-12-07.fcard").size());
  EXPECT_EQ(name.substr(0, 6), "Notes-");
  EXPECT_EQ(name.substr(14), "-2026-12-07.fcard");
  EXPECT_EQ(BackupDayOf(name, path), kJanuaryFirst2026 + 340);
  // One name in another folder is another document. Another letter case is another document
  // where the system tells case apart (Linux), the same one where it does not (Windows).
  EXPECT_NE(BackupName("/home/b/Notes.fcard", 0), BackupName(path, 0));
  const std::string twin = "/home/a/NOTES.FCARD";
  const bool oneFile = platform::SamePath(twin, path);
  EXPECT_EQ(BackupName(twin, 0).substr(6, 8) == BackupName(path, 0).substr(6, 8), oneFile);
  EXPECT_EQ(BackupDayOf(BackupName(twin, 9), path).has_value(), oneFile);
  EXPECT_EQ(BackupDayOf(BackupName(twin, 9), twin), 9);

  const std::string stem = name.substr(0, 15);
  for (const std::string& other : {stem + "2026-02-30.fcard", stem + "2026-1-07.fcard", stem + "+026-12-07.fcard",
                                  name + ".tmp-0123456789ab", BackupName("/home/b/Notes.fcard", 0), std::string("x.fcard"),
                                  "Other" + name.substr(5)}) {
    EXPECT_FALSE(BackupDayOf(other, path)) << other;
  }
}

TEST(Backups, SevenDailyCopiesAndTheNewestOfFourWeeksBeforeThemStay) {
  struct Case {
    const char* name;
    std::int32_t changeEvery;   // the document changes every so many days
    std::int32_t changingDays;  // for so many days; it is checked every day of the 60
    const char* kept;           // dates after day 60, oldest first
  };
  const Case cases[] = {
      {"changed daily", 1, 60, "02-01 02-08 02-15 02-22 02-23 02-24 02-25 02-26 02-27 02-28 03-01"},
      {"changed every third day", 3, 60, "01-16 01-25 01-31 02-06 02-09 02-12 02-15 02-18 02-21 02-24 02-27"},
      // Unchanged for weeks: the last copies never age away.
      {"unchanged after 20 days", 1, 20, "01-04 01-11 01-13 01-14 01-15 01-16 01-17 01-18 01-19 01-20"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const std::string backups = folder.Path("backups");
    DocumentFile document;
    document.path = folder.Path("Notes.fcard");
    ASSERT_TRUE(CreateStoreFile(document.path));
    for (std::int32_t day = 0; day < 60; ++day) {
      if (day < c.changingDays && day % c.changeEvery == 0) {
        ASSERT_TRUE(RunSql(document.path, "INSERT OR REPLACE INTO meta VALUES('n', " + std::to_string(day) + ")"));
      }
      const BackupOutcome outcome = BackUpDocument(document, backups, kNoonOfJanuaryFirst2026 + day * platform::kDayMilliseconds,
                                                   kJanuaryFirst2026 + day, [](const std::string&) { return false; });
      ASSERT_NE(outcome, BackupOutcome::Failed) << c.name << " day " << day;
    }
    EXPECT_EQ(BackupDates(backups, document.path), c.kept) << c.name;
  }
}

TEST(Backups, AnOpenBackupIsNeitherDeletedNorReplaced) {
  TempFolder folder;
  const std::string backups = folder.Path("backups");
  DocumentFile document;
  document.path = folder.Path("Notes.fcard");
  ASSERT_TRUE(CreateStoreFile(document.path));
  const std::string first = platform::JoinPath(backups, BackupName(document.path, kJanuaryFirst2026));
  const auto isOpen = [&first](const std::string& path) { return path == first; };
  for (std::int32_t day = 0; day < 12; ++day) {  // day 0 would go on day 10
    ASSERT_TRUE(RunSql(document.path, "INSERT OR REPLACE INTO meta VALUES('n', " + std::to_string(day) + ")"));
    BackUpDocument(document, backups, kNoonOfJanuaryFirst2026 + day * platform::kDayMilliseconds, kJanuaryFirst2026 + day,
                   day == 0 ? [](const std::string&) { return false; } : std::function<bool(const std::string&)>(isOpen));
  }
  EXPECT_EQ(BackupDates(backups, document.path).substr(0, 5), "01-01");
}
