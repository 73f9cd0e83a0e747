// The command line as the Windows entry hands it to the start-up sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/command_line.h"

namespace {

std::vector<std::string> Split(const wchar_t* line) {
  std::vector<std::string> arguments;
  EXPECT_TRUE(platform::SplitCommandLine(line, arguments));
  return arguments;
}

}  // namespace

TEST(Win32CommandLine, QuotedArgumentsAndJapanesePaths) {
  const std::vector<std::string> expected = {"C:\\Program Files\\Ferncard\\ferncard.exe", "--data",
                                             "D:\\\xE3\x83\xA1\xE3\x83\xA2 \xE5\xB8\xB3",  // D:\メモ 帳
                                             "--no-browser", "a\"b"};
  EXPECT_EQ(Split(L"\"C:\\Program Files\\Ferncard\\ferncard.exe\" --data \"D:\\\u30e1\u30e2 \u5e33\" "
                  L"--no-browser a\\\"b"),
            expected);
}

TEST(Win32CommandLine, EmptyQuotedArgumentIsKept) {
  // The start-up refuses an empty argument, so it must reach it as one.
  const std::vector<std::string> expected = {"ferncard.exe", "", "x"};
  EXPECT_EQ(Split(L"ferncard.exe \"\" x"), expected);
}

TEST(Win32CommandLine, CharactersOutsideTheBasicPlane) {
  const std::vector<std::string> expected = {"ferncard.exe", "\xF0\x9F\x8C\xBF.fcard"};
  EXPECT_EQ(Split(L"ferncard.exe \U0001F33F.fcard"), expected);
}
