// Windows services of the shell: path comparison, the icon, folders, clocks.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "support/store_test_support.h"

TEST(Win32SamePath, IgnoresCaseTheWayTheFileSystemDoes) {
  EXPECT_TRUE(platform::SamePath("C:\\Users\\u\\Notes.fcard", "c:\\users\\U\\NOTES.FCARD"));
  EXPECT_TRUE(platform::SamePath("C:\\\xC3\x84pfel.fcard", "C:\\\xC3\xA4PFEL.fcard"));            // Ä / ä
  EXPECT_TRUE(platform::SamePath("C:\\\xD0\x96\xD1\x83\xD0\xBA.fcard", "C:\\\xD0\xB6\xD0\xA3\xD0\x9A.fcard"));  // Жук / жУК
  EXPECT_FALSE(platform::SamePath("C:\\a.fcard", "C:\\a.fcard2"));
  EXPECT_FALSE(platform::SamePath("C:\\strasse.fcard", "C:\\stra\xC3\x9F" "e.fcard"));  // no linguistic folding
  EXPECT_FALSE(platform::SamePath("C:\\x\\a.fcard", "C:/x/a.fcard"));                   // whole texts, as written
}

TEST(Win32Paths, AbsoluteAndExistingFile) {
  EXPECT_TRUE(platform::IsAbsolutePath("C:\\x"));
  EXPECT_TRUE(platform::IsAbsolutePath("d:/x"));
  EXPECT_TRUE(platform::IsAbsolutePath("\\\\server\\share\\x"));
  EXPECT_FALSE(platform::IsAbsolutePath("C:x"));
  EXPECT_FALSE(platform::IsAbsolutePath("\\x"));
  EXPECT_FALSE(platform::IsAbsolutePath("x\\y"));
  TempFolder temp;
  WriteFileBytes(temp.Path("a.fcard"), "x");
  EXPECT_TRUE(platform::IsExistingFile(temp.Path("a.fcard")));
  EXPECT_TRUE(platform::IsExistingFile(temp.Path("A.FCARD")));
  EXPECT_FALSE(platform::IsExistingFile(temp.Path("")));
  EXPECT_FALSE(platform::IsExistingFile(temp.Path("b.fcard")));
}

TEST(Win32Folders, KnownFoldersAndFolderTrees) {
  EXPECT_TRUE(platform::IsAbsolutePath(platform::UserDocumentsFolder()));
  EXPECT_TRUE(platform::IsAbsolutePath(platform::UserLocalDataFolder()));
  TempFolder temp;
  const std::string deep = temp.Path("a\\b\\\xE3\x83\x8E\xE3\x83\xBC\xE3\x83\x88");
  EXPECT_TRUE(platform::CreateFolderTree(deep));
  EXPECT_TRUE(platform::CreateFolderTree(deep));  // already there
  EXPECT_FALSE(platform::CreateFolderTree("relative\\folder"));
  // Beyond the shell's 248 units the tree is made folder by folder.
  std::string longer = temp.Path("long");
  while (longer.size() < 300) longer += "\\" + std::string(40, 'n');
  EXPECT_TRUE(platform::CreateFolderTree(longer));
  WriteFileBytes(temp.Path("file"), "x");
  EXPECT_FALSE(platform::CreateFolderTree(temp.Path("file")));
}

TEST(Win32Resources, WebFilesAndTheIconAreCompiledIn) {
  const std::string_view page = platform::FindEmbeddedResource(201);
  ASSERT_NE(page.data(), nullptr);
  EXPECT_NE(page.find("<html"), std::string_view::npos);
  EXPECT_EQ(platform::FindEmbeddedResource(999).data(), nullptr);
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)), nullptr);
}

TEST(Win32Clock, WallClockAndMonotonicClock) {
  const std::int64_t now = platform::SystemMilliseconds();
  EXPECT_GT(now, 1700000000000);  // after November 2023
  // The tick count moves in steps of up to 16 ms (longer under Wine, whose count can lag its
  // sleep), so the sleep is long beside a step: a count in seconds or one that stands still fails.
  const std::uint64_t first = platform::MonotonicMilliseconds();
  Sleep(100);
  EXPECT_GE(platform::MonotonicMilliseconds(), first + 50);
}
