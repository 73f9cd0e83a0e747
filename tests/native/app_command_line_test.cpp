#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "platform/paths.h"

namespace {

constexpr const char* kPage = "0123abcd-4567-89ef-0123-456789abcdef";

bool Parse(const std::vector<std::string>& arguments, StartupOptions& options) {
  options = StartupOptions{};
  return ParseCommandLine(arguments, options);
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

TEST(CommandLine, WhichLinesAreRefused) {
  const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
      {{"--data"}, false}, {{"--no-browser", "--port"}, false}, {{"--page"}, false}, {{"--ticket-file"}, false},
      {{"--port=9000"}, false}, {{"-"}, false}, {{"--help"}, false}, {{"-h"}, false}, {{""}, false},
      {{"--No-Browser"}, false},  // case-sensitive
      {{"a.fcard", "b.fcard"}, false}, {{"--no-browser", "--bogus"}, false},
      {{"--page", "", "--data", "", "--port", ""}, true},  // empty values are values
      {{"--port", "65535"}, true}, {{"--port", "abc"}, true}, {{"--port", "0"}, true}, {{"--port", "-0"}, true},
      {{"--port", "65536"}, false}, {{"--port", "-1"}, false}, {{"--port", "99999999999999999999"}, false},
      // Each would wrap to 0 or 1 if read modulo 2^32.
      {{"--port", "4294967296"}, false}, {{"--port", "4294967297"}, false}, {{"--port", "-4294967295"}, false},
      {{"--page", kPage}, true}, {{"--page", "0123ABCD-4567-89EF-0123-456789ABCDEF"}, false},
  };
  for (const auto& [arguments, valid] : cases) {
    StartupOptions options;
    EXPECT_EQ(Parse(arguments, options), valid) << ::testing::PrintToString(arguments);
  }
}

TEST(CommandLine, LenientIntegerReading) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"  \t8890", 8890}, {"+80", 80}, {"-12", -12}, {"9000abc", 9000}, {"90 00", 90}, {"0x1F", 0},
      {"+-5", 0}, {"-", 0}, {"", 0}, {"2147483647", 2147483647}, {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1}, {"-99999999999999", -2147483647 - 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ReadLenientInteger(text), value) << text;
}
