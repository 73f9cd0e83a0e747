#include "platform/paths.h"

#include <gtest/gtest.h>

#include "documents/session.h"

TEST(SamePath, ComparesWholePathsExactlyOnThisSystem) {
  EXPECT_TRUE(platform::SamePath("/home/u/Notes.fcard", "/home/u/Notes.fcard"));
  EXPECT_FALSE(platform::SamePath("/home/u/Notes.fcard", "/home/u/notes.fcard"));
  EXPECT_FALSE(platform::SamePath("/home/u/Notes.fcard", "/home/u/Notes.fcard2"));
  EXPECT_FALSE(platform::SamePath("/home/u/ノート.fcard", "/home/u/ノート.FCARD"));
  EXPECT_TRUE(platform::SamePath("", ""));
}

TEST(FileNameOf, TakesThePartAfterTheLastSeparator) {
  EXPECT_EQ(FileNameOf("/home/u/メモ.fcard"), "メモ.fcard");
  EXPECT_EQ(FileNameOf("C:\\Users\\u\\a.fcard"), "a.fcard");
  EXPECT_EQ(FileNameOf("a.fcard"), "a.fcard");
  EXPECT_EQ(FileNameOf("/home/u/"), "");
}
