#include "documents/recent_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "documents/session.h"
#include "support/store_test_support.h"
#include "support/system_for_tests.h"

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
  out << bytes;
}

class RecentFilesTest : public ::testing::Test {
 protected:
  RecentFilesTest() { app.recentPath = folder.Path("recent.txt"); }
  TempFolder folder;
  OpenDocuments app;
};

TEST_F(RecentFilesTest, NewestFirstWithoutDuplicatesAndAtMostTen) {
  AddRecentFile(app, "/notes/a.fcard");
  AddRecentFile(app, "/notes/b.fcard");
  AddRecentFile(app, "/notes/a.fcard");
  EXPECT_EQ(ReadBytes(app.recentPath), "/notes/a.fcard\n/notes/b.fcard\n");

  for (int i = 0; i < 10; ++i) AddRecentFile(app, "/notes/" + std::to_string(i) + ".fcard");
  const auto entries = ReadRecentList(app);
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_EQ(entries.front(), "/notes/9.fcard");
  EXPECT_EQ(entries.back(), "/notes/0.fcard");  // a and b fell off the end
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(app.recentPath + ".tmp")));
}

TEST_F(RecentFilesTest, PathsWithLineBreaksAreNeverListed) {
  AddRecentFile(app, "/notes/a.fcard");
  for (const std::string path : {"/notes/x\n/etc/passwd", "/notes/y\r.fcard", "/notes/a.fcard\n"}) {
    AddRecentFile(app, path);
  }
  EXPECT_EQ(ReadBytes(app.recentPath), "/notes/a.fcard\n");
}

TEST_F(RecentFilesTest, LetterCaseFollowsTheFileSystem) {
  AddRecentFile(app, "/notes/Plan.fcard");
  AddRecentFile(app, "/notes/plan.fcard");
  if (FileNamesIgnoreCase()) {
    EXPECT_EQ(ReadRecentList(app), (std::vector<std::string>{"/notes/plan.fcard"}));  // one file, newest spelling
  } else {
    EXPECT_EQ(ReadRecentList(app), (std::vector<std::string>{"/notes/plan.fcard", "/notes/Plan.fcard"}));
  }
}

TEST_F(RecentFilesTest, HandEditedListReadsWithoutBlankLinesAndCarriageReturns) {
  // Lines that still hold a CR are not paths this program wrote.
  WriteBytes(app.recentPath, "\r\n/a.fcard\r\n\n/b.fcard\r\n   \n/x\r.fcard\n/y.fcard\r\r\n/c.fcard");
  EXPECT_EQ(ReadRecentList(app), (std::vector<std::string>{"/a.fcard", "/b.fcard", "   ", "/c.fcard"}));
  AddRecentFile(app, "/b.fcard");
  EXPECT_EQ(ReadBytes(app.recentPath), "/b.fcard\n/a.fcard\n   \n/c.fcard\n");
}

TEST_F(RecentFilesTest, OnlyTheFirstTenEntriesAreReadAndKept) {
  std::string bytes;
  for (int i = 0; i < 14; ++i) bytes += "\n/" + std::to_string(i) + "\n";
  WriteBytes(app.recentPath, bytes);
  const auto entries = ReadRecentList(app);
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_EQ(entries.back(), "/9");
  AddRecentFile(app, "/new");
  const auto rewritten = ReadRecentList(app);
  ASSERT_EQ(rewritten.size(), 10u);
  EXPECT_EQ(rewritten.front(), "/new");
  EXPECT_EQ(rewritten.back(), "/8");
}

TEST_F(RecentFilesTest, FailedWriteKeepsTheOldListAndRemovesTheTemporaryFile) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs a device that is always full";
  AddRecentFile(app, "/old.fcard");
  const std::string before = ReadBytes(app.recentPath);
  // Every write to the temporary file fails as on a full disk.
  std::filesystem::create_symlink("/dev/full", std::filesystem::u8path(app.recentPath + ".tmp"));
  AddRecentFile(app, "/new.fcard");
  EXPECT_EQ(ReadBytes(app.recentPath), before);
  EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::u8path(app.recentPath + ".tmp")));
  AddRecentFile(app, "/new.fcard");  // and the next update works again
  EXPECT_EQ(ReadBytes(app.recentPath), "/new.fcard\n/old.fcard\n");
}

TEST_F(RecentFilesTest, TemporaryFileThatCannotBeCreatedKeepsTheOldList) {
  AddRecentFile(app, "/old.fcard");
  std::filesystem::create_directory(std::filesystem::u8path(app.recentPath + ".tmp"));
  AddRecentFile(app, "/new.fcard");
  EXPECT_EQ(ReadBytes(app.recentPath), "/old.fcard\n");
}

}  // namespace
