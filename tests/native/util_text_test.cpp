#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "util/byte_buffer.h"
#include "util/text.h"
#include "util/text_finder.h"

TEST(RandomHex, GivesTwoCharactersPerByteAndDiffers) {
  const std::string a = RandomHex(32);
  const std::string b = RandomHex(32);
  EXPECT_TRUE(IsLowerHexOfLength(a, 64));
  EXPECT_TRUE(IsLowerHexOfLength(b, 64));
  EXPECT_NE(a, b);
  EXPECT_EQ(RandomHex(6).size(), 12u);
}

TEST(Sha256Hex, PublishedDigests) {
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(JsonEscape, EscapingTable) {
  EXPECT_EQ(JsonEscape(std::string("\t\"\\\x01", 4)), "\\t\\\"\\\\\\u0001");
  EXPECT_EQ(JsonEscape("\n\r"), "\\n\\r");
  EXPECT_EQ(JsonEscape("\x08\x0c\x1f"), "\\u0008\\u000c\\u001f");
  EXPECT_EQ(JsonEscape(std::string("\0", 1)), "\\u0000");
  EXPECT_EQ(JsonEscape("\x7f/"), "\x7f/");
  EXPECT_EQ(JsonEscape("はじめに"), "はじめに");
  // Whatever the bytes, the answer is valid UTF-8.
  EXPECT_EQ(JsonEscape("a\xff\xfe.fcard"), "a\xEF\xBF\xBD\xEF\xBF\xBD.fcard");
  EXPECT_EQ(JsonEscape("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE3\x81"),
            "\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|"
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(JsonEscape("\xF0\x9F\x8C\xBF\xC3\xA9"), "\xF0\x9F\x8C\xBF\xC3\xA9");
}

TEST(Shapes, ImageAndPageIdentifiers) {
  for (const auto& [text, image] : std::vector<std::pair<std::string, bool>>{
           {"0123456789abcdef0123456789abcdef", true}, {"0123456789abcdef0123456789abcde", false},
           {"0123456789abcdef0123456789abcdef0", false}, {"0123456789ABCDEF0123456789abcdef", false},
           {"0123456789abcdeg0123456789abcdef", false}}) {
    EXPECT_EQ(IsLowerHexOfLength(text, 32), image) << text;
  }
  for (const auto& [text, page] : std::vector<std::pair<std::string, bool>>{
           {"00000000-0000-0000-0000-000000000000", true}, {"3f2504e0-4f89-11d3-9a0c-0305e82c3301", true},
           {"3F2504E0-4F89-11D3-9A0C-0305E82C3301", false}, {"{3f2504e0-4f89-11d3-9a0c-0305e82c3301}", false},
           {"3f2504e0-4f89-11d3-9a0c-0305e82c330", false}, {"3f2504e0-4f89-11d3-9a0c-0305e82c33011", false},
           {"3f2504e0a4f89-11d3-9a0c-0305e82c3301", false}, {"3f2504e0-4f89-11d3-9a0c-0305e82c33-1", false}}) {
    EXPECT_EQ(IsPageIdShape(text), page) << text;
  }
}

TEST(Utf16, RoundTripsEveryPlane) {
  const std::string text = "A\xC3\xA9\xE3\x81\xAF\xF0\x9F\x8C\xBF";  // A é は 🌿
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, u"A\u00e9\u306f\U0001F33F");
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Utf16, IllFormedInputBecomesReplacementCharacter) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE3\x81"), u"\uFFFD");           // truncated sequence: one replacement
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");     // overlong form
}

// How many U+FFFD an encoded surrogate or an out-of-range lead gives differs between
// implementations; what every one promises is that nothing but U+FFFD comes out.
TEST(Utf16, EncodedSurrogateGivesOnlyReplacementCharacters) {
  for (const std::string bad : {"\xED\xA0\x80", "\xED\xBF\xBF", "\xE0\x80\xAF", "\xF4\x90\x80\x80"}) {
    const std::u16string wide = Utf8ToUtf16(bad);
    EXPECT_FALSE(wide.empty());
    EXPECT_EQ(wide.find_first_not_of(u'\uFFFD'), std::u16string::npos) << HexEncode(bad.data(), bad.size());
  }
}

// The finder answers as a plain search does, wherever the needle sits against its 16-byte steps.
TEST(TextFinder, CountsAndFindsAsAPlainSearch) {
  const std::string japanese = "日本語のメモ、にほんごのメモ。";
  const struct {
    std::string text, needle;
  } cases[] = {
      {std::string(40, 'a') + "marmalade" + std::string(7, 'b') + "marmalade", "marmalade"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "aa"},
      {japanese + japanese + japanese, "のメモ"},
      {japanese + "x", "x"},
      {japanese, "メモ。"},
      {"abc", "abcd"},
      {"abc", ""},
      {std::string(31, 'x') + "yz", "yz"},
  };
  for (const auto& c : cases) {
    std::size_t plain = 0;
    for (std::size_t at = c.text.find(c.needle); !c.needle.empty() && at != std::string::npos;
         at = c.text.find(c.needle, at + c.needle.size())) {
      ++plain;
    }
    const TextFinder finder(c.needle);
    EXPECT_EQ(finder.Count(c.text), plain) << c.needle;
    for (std::size_t from = 0; from <= c.text.size() && !c.needle.empty(); ++from) {
      EXPECT_EQ(finder.Find(c.text, from), c.text.find(c.needle, from)) << c.needle << " from " << from;
    }
  }
  EXPECT_NE(ContentHash("<p>Alpha</p>"), ContentHash("<p>Alphb</p>"));
  EXPECT_EQ(ContentHash(std::string(100, 'q')), ContentHash(std::string(100, 'q')));
}

// Growing past the size where a buffer moves into a block of its own pages keeps every byte, and
// a moved buffer owns what it was given.
TEST(ByteBuffer, KeepsItsBytesAcrossTheMoveToLargePagesAndWhenMoved) {
  ByteBuffer buffer;
  std::string expected;
  for (int round = 0; expected.size() < (std::size_t{9} << 20); ++round) {
    const std::string piece(std::size_t{1} << 19, static_cast<char>('a' + round % 26));
    buffer += piece;
    expected += piece;
  }
  char* tail = buffer.Extend(3);
  ASSERT_NE(tail, nullptr);
  std::memcpy(tail, "xyz", 3);
  expected += "xyz";
  ASSERT_EQ(buffer.view(), expected);

  ByteBuffer moved(std::move(buffer));
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(moved.view(), expected);
  moved.Truncate(5);
  EXPECT_EQ(moved.view(), expected.substr(0, 5));
}
