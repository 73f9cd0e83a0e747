// The conversions written out for Linux: each byte that cannot start or continue the
// sequence it stands in becomes its own U+FFFD.
#include <gtest/gtest.h>

#include "platform/unicode.h"

TEST(PosixUtf8ToWide, EachByteOfARefusedSequenceIsReplaced) {
  EXPECT_EQ(platform::Utf8ToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");      // encoded surrogate
  EXPECT_EQ(platform::Utf8ToWide("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");      // overlong
  EXPECT_EQ(platform::Utf8ToWide("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
}

TEST(PosixUtf8ToWide, TruncatedSequenceIsOneReplacement) {
  EXPECT_EQ(platform::Utf8ToWide("\xF0\x9F\x8C" "a"), u"\uFFFDa");
  EXPECT_EQ(platform::Utf8ToWide("\xE3\x81" "A"), u"\uFFFDA");
}
