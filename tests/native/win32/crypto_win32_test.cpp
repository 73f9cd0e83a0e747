// CNG as the program uses it.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/crypto.h"
#include "util/text.h"

TEST(Win32Sha256, MillionBytesInOneCall) {
  const std::string input(1000000, 'a');
  std::array<std::uint8_t, 32> digest{};
  ASSERT_TRUE(platform::Sha256(input.data(), input.size(), digest));
  EXPECT_EQ(HexEncode(digest.data(), digest.size()),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Win32Sha256, EmptyInputWithoutBuffer) {
  std::array<std::uint8_t, 32> digest{};
  ASSERT_TRUE(platform::Sha256(nullptr, 0, digest));
  EXPECT_EQ(HexEncode(digest.data(), digest.size()),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Win32RandomBytes, FillsTheWholeBuffer) {
  // 64 random bytes that stay all zero would be a generator that wrote nothing.
  std::array<std::uint8_t, 64> buffer{};
  ASSERT_TRUE(platform::RandomBytes(buffer.data(), buffer.size()));
  int nonZero = 0;
  for (const std::uint8_t b : buffer) nonZero += b != 0;
  EXPECT_GT(nonZero, 0);
  EXPECT_TRUE(platform::RandomBytes(buffer.data(), 0));
}
