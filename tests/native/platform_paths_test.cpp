#include "platform/paths.h"

#include <gtest/gtest.h>

#include "support/system_for_tests.h"

TEST(SamePath, ComparesWholePathsWithTheFileSystemsLetterCase) {
  EXPECT_TRUE(platform::SamePath("/home/u/Notes.fcard", "/home/u/Notes.fcard"));
  EXPECT_EQ(platform::SamePath("/home/u/Notes.fcard", "/home/u/notes.fcard"), FileNamesIgnoreCase());
  EXPECT_FALSE(platform::SamePath("/home/u/Notes.fcard", "/home/u/Notes.fcard2"));
  EXPECT_EQ(platform::SamePath("/home/u/ノート.fcard", "/home/u/ノート.FCARD"), FileNamesIgnoreCase());
  EXPECT_TRUE(platform::SamePath("", ""));
}

TEST(FileNameOf, TakesThePartAfterTheLastSeparator) {
  EXPECT_EQ(platform::FileNameOf("/home/u/メモ.fcard"), "メモ.fcard");
  EXPECT_EQ(platform::FileNameOf("a.fcard"), "a.fcard");
  EXPECT_EQ(platform::FileNameOf("/home/u/"), "");
}
