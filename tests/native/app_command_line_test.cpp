#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/paths.h"

namespace {

constexpr const char* kPage = "0123abcd-4567-89ef-0123-456789abcdef";

bool Parse(const std::vector<std::string>& arguments, StartupOptions& options) {
  options = StartupOptions{};
  return ParseCommandLine(arguments, options);
}

bool Valid(const std::vector<std::string>& arguments) {
  StartupOptions options;
  return Parse(arguments, options);
}

}  // namespace

TEST(CommandLine, EveryOptionInAnyOrder) {
  StartupOptions options;
  ASSERT_TRUE(Parse({"/tmp/notes.fcard", "--port", "9000", "--no-browser", "--data", "data folder", "--page", kPage,
                     "--ticket-file", "t.txt"},
                    options));
  std::string absolute;
  ASSERT_TRUE(platform::AbsolutePath("/tmp/notes.fcard", absolute));
  EXPECT_EQ(options.documentPath, absolute);
  EXPECT_EQ(options.port, 9000);
  EXPECT_TRUE(options.noBrowser);
  EXPECT_EQ(options.dataFolder, "data folder");  // unchanged, not made absolute
  EXPECT_EQ(options.pageId, kPage);
  EXPECT_EQ(options.ticketFile, "t.txt");
}

TEST(CommandLine, ValuesMayBeginWithAHyphenAndRepeatsOverwrite) {
  StartupOptions options;
  ASSERT_TRUE(Parse({"--data", "-folder", "--ticket-file", "--no-browser", "--data", "second"}, options));
  EXPECT_EQ(options.dataFolder, "second");
  EXPECT_EQ(options.ticketFile, "--no-browser");
  EXPECT_FALSE(options.noBrowser);  // consumed as a value
}

TEST(CommandLine, RefusedLines) {
  EXPECT_FALSE(Valid({"--data"}));
  EXPECT_FALSE(Valid({"--no-browser", "--port"}));
  EXPECT_FALSE(Valid({"--page"}));
  EXPECT_FALSE(Valid({"--ticket-file"}));
  EXPECT_FALSE(Valid({"--port=9000"}));
  EXPECT_FALSE(Valid({"-"}));
  EXPECT_FALSE(Valid({"--help"}));
  EXPECT_FALSE(Valid({"-h"}));
  EXPECT_FALSE(Valid({"--No-Browser"}));  // case-sensitive
  EXPECT_FALSE(Valid({""}));
  EXPECT_FALSE(Valid({"a.fcard", "b.fcard"}));
  EXPECT_FALSE(Valid({"--no-browser", "--bogus"}));
}

TEST(CommandLine, EmptyValuesAreValues) {
  StartupOptions options;
  ASSERT_TRUE(Parse({"--page", "", "--data", "", "--port", ""}, options));
  EXPECT_EQ(options.pageId, "");
  EXPECT_EQ(options.port, 0);
}

TEST(CommandLine, PortRange) {
  StartupOptions options;
  EXPECT_TRUE(Parse({"--port", "65535"}, options));
  EXPECT_EQ(options.port, 65535);
  EXPECT_TRUE(Parse({"--port", "abc"}, options));
  EXPECT_EQ(options.port, 0);
  EXPECT_TRUE(Parse({"--port", "0"}, options));
  EXPECT_TRUE(Parse({"--port", "-0"}, options));
  EXPECT_FALSE(Valid({"--port", "65536"}));
  EXPECT_FALSE(Valid({"--port", "-1"}));
  EXPECT_FALSE(Valid({"--port", "4294967296"}));   // would wrap to 0 if read modulo 2^32
  EXPECT_FALSE(Valid({"--port", "4294967297"}));   // would wrap to 1
  EXPECT_FALSE(Valid({"--port", "-4294967295"}));  // would wrap to 1
  EXPECT_FALSE(Valid({"--port", "99999999999999999999"}));
}

TEST(CommandLine, LenientIntegerReading) {
  EXPECT_EQ(ReadLenientInteger("  \t8890"), 8890);
  EXPECT_EQ(ReadLenientInteger("+80"), 80);
  EXPECT_EQ(ReadLenientInteger("-12"), -12);
  EXPECT_EQ(ReadLenientInteger("9000abc"), 9000);
  EXPECT_EQ(ReadLenientInteger("90 00"), 90);
  EXPECT_EQ(ReadLenientInteger("0x1F"), 0);
  EXPECT_EQ(ReadLenientInteger("+-5"), 0);
  EXPECT_EQ(ReadLenientInteger("-"), 0);
  EXPECT_EQ(ReadLenientInteger(""), 0);
  EXPECT_EQ(ReadLenientInteger("2147483647"), 2147483647);
  EXPECT_EQ(ReadLenientInteger("2147483648"), 2147483647);
  EXPECT_EQ(ReadLenientInteger("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ReadLenientInteger("-99999999999999"), -2147483647 - 1);
}

TEST(CommandLine, PageIdentifierShape) {
  EXPECT_TRUE(Valid({"--page", kPage}));
  EXPECT_TRUE(Valid({"--page", "00000000-0000-0000-0000-000000000000"}));
  EXPECT_FALSE(Valid({"--page", "0123ABCD-4567-89EF-0123-456789ABCDEF"}));
  EXPECT_FALSE(Valid({"--page", "{0123abcd-4567-89ef-0123-456789abcdef}"}));
  EXPECT_FALSE(Valid({"--page", "0123abcd-4567-89ef-0123-456789abcde"}));
  EXPECT_FALSE(Valid({"--page", "0123abcd045670890ef001230456789abcdef"}));
}
