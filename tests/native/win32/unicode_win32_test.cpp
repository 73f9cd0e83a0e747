// The Windows code-page conversions as the program uses them.
#include <gtest/gtest.h>

#include "platform/unicode.h"
#include "util/text.h"

namespace {
const std::string kReplacement = "\xEF\xBF\xBD";
}

TEST(Win32WideToUtf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(platform::WideToUtf8(std::u16string{u'a', char16_t(0xD800)}), "a" + kReplacement);
  EXPECT_EQ(platform::WideToUtf8(std::u16string{char16_t(0xDC00), u'b'}), kReplacement + "b");
  // A low surrogate before a high one is two unpaired halves, not a pair.
  EXPECT_EQ(platform::WideToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}), kReplacement + kReplacement);
  // Only the second high surrogate finds its partner.
  EXPECT_EQ(platform::WideToUtf8(std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)}),
            kReplacement + "\xF0\x90\x80\x80");
}

TEST(Win32WideToUtf8, RoundTripReplacesOnlyTheUnpairedHalf) {
  const std::u16string name{u'\u65e5', char16_t(0xD83C), u'.', u'f', char16_t(0xD83C), char16_t(0xDF3F)};
  const std::u16string back = Utf8ToUtf16(Utf16ToUtf8(name));
  EXPECT_EQ(back, (std::u16string{u'\u65e5', u'\uFFFD', u'.', u'f', char16_t(0xD83C), char16_t(0xDF3F)}));
}

TEST(Win32Conversions, EmbeddedNulIsKept) {
  // The whole length is converted, not up to the first NUL.
  EXPECT_EQ(platform::WideToUtf8(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(platform::Utf8ToWide(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Win32Conversions, LongJapaneseTextRoundTrips) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "\xE3\x81\xAF\xF0\x9F\x8C\xBF";  // は🌿
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 15000u);
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}
