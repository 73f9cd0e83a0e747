// Windows file rules: long paths, renames that must not replace, copies of read-only files,
// folder listings and absolute paths.
#include <windows.h>
#undef DeleteFile

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "support/store_test_support.h"
#include "support/system_for_tests.h"

namespace {

bool MakeFolder(const std::string& path) { return CreateDirectoryW(platform::SystemPath(path).c_str(), nullptr) != 0; }

bool RemoveFolder(const std::string& path) { return RemoveDirectoryW(platform::SystemPath(path).c_str()) != 0; }

// Written through the long-path form, so it works where the standard library may not.
bool WriteFile(const std::string& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(platform::SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string Read(const std::string& path) {
  std::string bytes;
  return platform::ReadFileBytes(path, 1 << 20, bytes) == platform::ReadResult::Ok ? bytes : "<unreadable>";
}

bool CanOpenForWriting(const std::string& path) {
  const HANDLE file = CreateFileW(platform::SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

TEST(Win32Files, PathsLongerThan260Units) {
  TempFolder temp;
  // Nested folders with 60-unit names, until the file path is well past 260 units.
  std::vector<std::string> folders;
  std::string folder = temp.Path("");
  while (folder.size() < 300) {
    folder = platform::JoinPath(folder, std::string(55, 'f') + "\xE3\x83\x8E\xE3\x83\xBC\xE3\x83\x88");  // + ノート
    ASSERT_TRUE(MakeFolder(folder)) << folder.size();
    folders.push_back(folder);
  }
  const std::string first = platform::JoinPath(folder, "first.fcard");
  const std::string second = platform::JoinPath(folder, "second.fcard");
  const std::string third = platform::JoinPath(folder, "third.fcard");
  ASSERT_GT(first.size(), 300u);

  ASSERT_TRUE(WriteFile(first, "long way down"));
  EXPECT_TRUE(platform::PathExists(first));
  EXPECT_TRUE(platform::IsFolder(folder));
  ASSERT_TRUE(platform::CopyFileNoReplace(first, second));
  ASSERT_EQ(platform::ReplaceFileDurably(second, third), platform::RenameResult::Ok);
  EXPECT_FALSE(platform::PathExists(second));
  EXPECT_EQ(Read(third), "long way down");

  std::vector<platform::FolderEntry> entries;
  ASSERT_EQ(platform::ListFolder(folder, entries), platform::ListResult::Ok);
  EXPECT_EQ(entries.size(), 2u);

  EXPECT_TRUE(platform::DeleteFile(first));
  EXPECT_TRUE(platform::DeleteFile(third));
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) EXPECT_TRUE(RemoveFolder(*it));
}

// The rules themselves are PlatformFiles' tests, which run here too.
TEST(Win32Files, ANameThatDiffersOnlyInLetterCaseIsTheSameFile) {
  TempFolder temp;
  const std::string from = temp.Path("new.fcard");
  ASSERT_TRUE(WriteFile(from, "new"));
  ASSERT_TRUE(WriteFile(temp.Path("existing.fcard"), "existing"));
  EXPECT_EQ(platform::MoveFileNoReplaceDurably(from, temp.Path("EXISTING.fcard")), platform::RenameResult::AlreadyExists);
  EXPECT_EQ(Read(from), "new");
  EXPECT_EQ(Read(temp.Path("existing.fcard")), "existing");
}

TEST(Win32Files, CopyOfAReadOnlyFileIsWritable) {
  TempFolder temp;
  const std::string source = temp.Path("read-only.fcard");
  const std::string copy = temp.Path("copy.fcard");
  ASSERT_TRUE(WriteFile(source, "bytes"));
  ASSERT_TRUE(SetFileAttributesW(platform::SystemPath(source).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(platform::CopyFileNoReplace(source, copy));
  EXPECT_EQ(GetFileAttributesW(platform::SystemPath(copy).c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(CanOpenForWriting(copy));
  EXPECT_EQ(Read(copy), "bytes");
  SetFileAttributesW(platform::SystemPath(source).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32Files, ListingsAndReads) {
  TempFolder temp;
  ASSERT_TRUE(WriteFile(temp.Path("a.png"), "png"));
  ASSERT_TRUE(SetLastWriteMs(temp.Path("a.png"), 1700000000123));
  ASSERT_TRUE(MakeFolder(temp.Path("inner")));
  std::vector<platform::FolderEntry> entries;
  ASSERT_EQ(platform::ListFolder(temp.Path(""), entries), platform::ListResult::Ok);
  ASSERT_EQ(entries.size(), 2u);
  for (const platform::FolderEntry& entry : entries) {
    if (entry.name == "a.png") {
      EXPECT_FALSE(entry.isFolder);
      EXPECT_EQ(entry.lastWriteMs, 1700000000123);
    } else {
      EXPECT_EQ(entry.name, "inner");
      EXPECT_TRUE(entry.isFolder);
    }
  }
  EXPECT_EQ(platform::ListFolder(temp.Path("missing"), entries), platform::ListResult::NoSuchFolder);
  EXPECT_EQ(platform::ListFolder(temp.Path("a.png"), entries), platform::ListResult::NoSuchFolder);

  std::string bytes;
  EXPECT_EQ(platform::ReadFileBytes(temp.Path("inner"), 100, bytes), platform::ReadResult::NotARegularFile);
  EXPECT_EQ(platform::ReadFileBytes(temp.Path("a.png"), 2, bytes), platform::ReadResult::TooLarge);
  EXPECT_EQ(platform::ReadFileBytes(temp.Path("missing"), 100, bytes), platform::ReadResult::Failed);
  EXPECT_EQ(platform::JoinPath("C:\\x", "y"), "C:\\x\\y");
  EXPECT_EQ(platform::JoinPath("C:\\x\\", "y"), "C:\\x\\y");
}

TEST(Win32Paths, BothSlashesSeparateFileNames) {
  EXPECT_EQ(platform::FileNameOf("C:\\Users\\u\\a.fcard"), "a.fcard");
  EXPECT_EQ(platform::FileNameOf("C:\\Users/u\\b/c.fcard"), "c.fcard");
}

TEST(Win32Paths, AbsolutePathFollowsWindowsRules) {
  std::string absolute;
  ASSERT_TRUE(platform::AbsolutePath("C:\\x\\.\\y\\..\\z.fcard", absolute));
  EXPECT_EQ(absolute, "C:\\x\\z.fcard");
  ASSERT_TRUE(platform::AbsolutePath("C:/a//b/../\xE3\x83\x8E.fcard", absolute));
  EXPECT_EQ(absolute, "C:\\a\\\xE3\x83\x8E.fcard");
  ASSERT_TRUE(platform::AbsolutePath("\\\\server\\share\\..\\n.fcard", absolute));
  EXPECT_EQ(absolute, "\\\\server\\share\\n.fcard");

  wchar_t current[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  ASSERT_TRUE(platform::AbsolutePath("notes.fcard", absolute));
  EXPECT_EQ(absolute, platform::JoinPath(platform::FromWide(current), "notes.fcard"));

  EXPECT_FALSE(platform::AbsolutePath("", absolute));
  EXPECT_FALSE(platform::AbsolutePath("C:\\" + std::string(32768, 'a'), absolute));
  EXPECT_TRUE(platform::AbsolutePath("C:\\" + std::string(1000, 'a'), absolute));
}
