#include <gtest/gtest.h>

#include "api/file_endpoints.h"

TEST(EnsureDocumentExtension, AppendsOnlyWhenMissing) {
  EXPECT_EQ(EnsureDocumentExtension("/tmp/notes"), "/tmp/notes.fcard");
  EXPECT_EQ(EnsureDocumentExtension("/tmp/notes.fcard"), "/tmp/notes.fcard");
  EXPECT_EQ(EnsureDocumentExtension("/tmp/notes.FCARD"), "/tmp/notes.FCARD");
  EXPECT_EQ(EnsureDocumentExtension("/tmp/notes.FCard"), "/tmp/notes.FCard");
  EXPECT_EQ(EnsureDocumentExtension("/tmp/notes.fcard.bak"), "/tmp/notes.fcard.bak.fcard");
  EXPECT_EQ(EnsureDocumentExtension("/tmp/notesfcard"), "/tmp/notesfcard.fcard");
  EXPECT_EQ(EnsureDocumentExtension(".fcard"), ".fcard");
  EXPECT_EQ(EnsureDocumentExtension("fcard"), "fcard.fcard");
  EXPECT_EQ(EnsureDocumentExtension(""), ".fcard");
  EXPECT_EQ(EnsureDocumentExtension("/tmp/メモ"), "/tmp/メモ.fcard");
}

TEST(ParseRecentIndex, OneOrTwoDigitsBelowTheCount) {
  std::size_t index = 99;
  EXPECT_TRUE(ParseRecentIndex("0", 1, index));
  EXPECT_EQ(index, 0u);
  EXPECT_TRUE(ParseRecentIndex("00", 3, index));
  EXPECT_EQ(index, 0u);
  EXPECT_TRUE(ParseRecentIndex("09", 10, index));
  EXPECT_EQ(index, 9u);
  EXPECT_TRUE(ParseRecentIndex("9", 10, index));
  EXPECT_EQ(index, 9u);

  index = 77;
  EXPECT_FALSE(ParseRecentIndex("0", 0, index));    // empty list
  EXPECT_FALSE(ParseRecentIndex("10", 10, index));  // one past the end
  EXPECT_FALSE(ParseRecentIndex("007", 10, index));
  EXPECT_FALSE(ParseRecentIndex("-1", 10, index));
  EXPECT_FALSE(ParseRecentIndex("+1", 10, index));
  EXPECT_FALSE(ParseRecentIndex("", 10, index));
  EXPECT_FALSE(ParseRecentIndex(" 1", 10, index));
  EXPECT_FALSE(ParseRecentIndex("1a", 10, index));
  EXPECT_FALSE(ParseRecentIndex("\xef\xbc\x91", 10, index));  // a full-width digit
  EXPECT_EQ(index, 77u);
}
