// Document paths on the command line follow the system's path rules.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/paths.h"

namespace {

bool Parse(const std::vector<std::string>& arguments, StartupOptions& options) {
  options = StartupOptions{};
  return ParseCommandLine(arguments, options);
}

std::string CurrentFolder() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

}  // namespace

TEST(CommandLine, DocumentPathIsMadeAbsoluteAndNormalised) {
  const std::string here = CurrentFolder();
  ASSERT_FALSE(here.empty());
  StartupOptions options;
  ASSERT_TRUE(Parse({"notes.fcard"}, options));
  EXPECT_EQ(options.documentPath, here + "/notes.fcard");
  ASSERT_TRUE(Parse({"./a//b/../notes.fcard"}, options));
  EXPECT_EQ(options.documentPath, here + "/a/notes.fcard");
  ASSERT_TRUE(Parse({"/x/./y/../../z.fcard"}, options));
  EXPECT_EQ(options.documentPath, "/z.fcard");
  ASSERT_TRUE(Parse({"/../../z.fcard"}, options));
  EXPECT_EQ(options.documentPath, "/z.fcard");
  ASSERT_TRUE(Parse({"/missing/folder/does-not-exist.fcard"}, options));  // not tested for existence
  EXPECT_EQ(options.documentPath, "/missing/folder/does-not-exist.fcard");
  ASSERT_TRUE(Parse({"ノート.fcard"}, options));
  EXPECT_EQ(options.documentPath, here + "/ノート.fcard");
}

TEST(FileNameOf, BackslashIsAnOrdinaryFileNameCharacter) {
  EXPECT_EQ(platform::FileNameOf("/home/u/q\"uo\\te.fcard"), "q\"uo\\te.fcard");
  EXPECT_EQ(platform::FileNameOf("C:\\Users\\a.fcard"), "C:\\Users\\a.fcard");
}
