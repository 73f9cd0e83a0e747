#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "store/format.h"
#include "store/records.h"
#include "store/store_files.h"
#include "support/store_test_support.h"
#include "util/text.h"

namespace {

const std::string kPage = "0f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b";

bool Validates(const std::string& path) { return ValidateDocumentFile(path).ok(); }

}  // namespace

TEST(StoreFiles, TemporaryNamesSitBesideTheTargetAndDiffer) {
  const std::string a = MakeTempPath("/some/folder/Notes.fcard");
  const std::string b = MakeTempPath("/some/folder/Notes.fcard");
  EXPECT_EQ(a.rfind("/some/folder/Notes.fcard.", 0), 0u);
  EXPECT_NE(a, b);
}

TEST(StoreFiles, CreationReplacesAnExistingFileWithAnEmptyDocument) {
  TempFolder folder;
  const std::string path = folder.Path("ノート.fcard");
  WriteFileBytes(path, "old contents");
  ASSERT_TRUE(CreateStoreFile(path));
  EXPECT_TRUE(Validates(path));
  EXPECT_EQ(QueryInt(path, "SELECT (SELECT count(*) FROM meta)+(SELECT count(*) FROM pages)+(SELECT count(*) FROM images)"), 0);
  EXPECT_EQ(ListNames(folder.Path("")), "ノート.fcard");
}

TEST(StoreFiles, CreationInAMissingFolderFailsAndLeavesNothing) {
  TempFolder folder;
  EXPECT_FALSE(CreateStoreFile(folder.Path("missing/doc.fcard")));
  EXPECT_EQ(ListNames(folder.Path("")), "");
}

TEST(StoreFiles, TargetWithALeftoverJournalIsNotReplaced) {
  // The journal would be played back into the new file and damage it.
  TempFolder folder;
  const std::string path = folder.Path("doc.fcard");
  WriteFileBytes(path, "old");
  WriteFileBytes(path + "-journal", "journal of the old file");
  EXPECT_FALSE(CreateStoreFile(path));
  EXPECT_EQ(ReadFileBytesForTest(path), "old");
  EXPECT_EQ(ListNames(folder.Path("")), "doc.fcard doc.fcard-journal");
}

TEST(StoreFiles, CopyHoldsTheRecordsAndReplacesTheTarget) {
  TempFolder folder;
  DocumentFile document;
  document.path = folder.Path("source.fcard");
  ASSERT_TRUE(CreateStoreFile(document.path));
  std::string tag;
  ASSERT_EQ(PutPage(document, kPage, "<p>copied</p>", "0", tag), StatusCode::Ok);
  const std::string target = folder.Path("copy.fcard");
  WriteFileBytes(target, "to be replaced");
  ASSERT_TRUE(CopyStoreFile(document, target));
  EXPECT_TRUE(Validates(target));
  DocumentFile copy;
  copy.path = target;
  std::string body;
  EXPECT_EQ(GetPage(copy, kPage, body, tag), StatusCode::Ok);
  EXPECT_EQ(body, "<p>copied</p>");
  EXPECT_EQ(ListNames(folder.Path("")), "copy.fcard source.fcard");
}

TEST(StoreFiles, CopyOfAReadOnlyDocumentIsWritable) {
  namespace fs = std::filesystem;
  TempFolder folder;
  DocumentFile document;
  document.path = folder.Path("source.fcard");
  ASSERT_TRUE(CreateStoreFile(document.path));
  fs::permissions(folder.root() / "source.fcard",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  const std::string target = folder.Path("copy.fcard");
  // A read-only source cannot be opened for writing, so it is not an open document here.
  if (!CopyStoreFile(document, target)) {
    GTEST_SKIP() << "read-only documents are not opened on this platform";
  }
  EXPECT_NE(fs::status(folder.root() / "copy.fcard").permissions() & fs::perms::owner_write, fs::perms::none);
  DocumentFile copy;
  copy.path = target;
  std::string tag;
  EXPECT_EQ(PutPage(copy, kPage, "<p>edited</p>", "0", tag), StatusCode::Ok);
}

TEST(StoreFiles, CopyOfAFileThatIsNotADocumentFailsAndLeavesTheTarget) {
  TempFolder folder;
  DocumentFile document;
  document.path = folder.Path("source.fcard");
  WriteFileBytes(document.path, std::string(3000, 'z'));
  const std::string target = folder.Path("copy.fcard");
  WriteFileBytes(target, "keep me");
  EXPECT_FALSE(CopyStoreFile(document, target));
  EXPECT_EQ(ReadFileBytesForTest(target), "keep me");
  EXPECT_EQ(ListNames(folder.Path("")), "copy.fcard source.fcard");
}

TEST(StoreFiles, ReadWholeFileLimits) {
  TempFolder folder;
  std::string bytes = "x";
  const std::string empty = folder.Path("empty");
  WriteFileBytes(empty, "");
  EXPECT_TRUE(ReadWholeFile(empty, bytes));
  EXPECT_EQ(bytes, "");

  const std::string data = folder.Path("data");
  std::string content(3 * 1048576 + 17, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  WriteFileBytes(data, content);
  EXPECT_TRUE(ReadWholeFile(data, bytes));
  EXPECT_EQ(bytes, content);

  const std::string huge = folder.Path("huge");
  WriteFileBytes(huge, "");
  std::filesystem::resize_file(folder.root() / "huge", 1073741824ull + 1);  // sparse: nothing is written
  EXPECT_FALSE(ReadWholeFile(huge, bytes));
  EXPECT_EQ(bytes, "");

  EXPECT_FALSE(ReadWholeFile(folder.Path("absent"), bytes));
  std::filesystem::create_directory(folder.root() / "sub");
  EXPECT_FALSE(ReadWholeFile(folder.Path("sub"), bytes));
}

TEST(PlatformFiles, RenamesAndCopiesThatNeverReplace) {
  TempFolder folder;
  const std::string a = folder.Path("a"), b = folder.Path("b"), c = folder.Path("c");
  WriteFileBytes(a, "A");
  WriteFileBytes(b, "B");
  EXPECT_EQ(platform::MoveFileNoReplaceDurably(a, b), platform::RenameResult::AlreadyExists);
  EXPECT_FALSE(platform::CopyFileNoReplace(a, b));
  EXPECT_EQ(ReadFileBytesForTest(a), "A");
  EXPECT_EQ(ReadFileBytesForTest(b), "B");

  EXPECT_TRUE(platform::CopyFileNoReplace(a, c));
  EXPECT_EQ(ReadFileBytesForTest(c), "A");
  EXPECT_EQ(platform::ReplaceFileDurably(c, b), platform::RenameResult::Ok);
  EXPECT_EQ(ReadFileBytesForTest(b), "A");
  EXPECT_FALSE(platform::PathExists(c));
  EXPECT_EQ(platform::MoveFileNoReplaceDurably(b, c), platform::RenameResult::Ok);
  EXPECT_EQ(ListNames(folder.Path("")), "a c");
  EXPECT_EQ(platform::ReplaceFileDurably(folder.Path("absent"), c), platform::RenameResult::Failed);

  // The never-replacing move stops at once when the target exists; the caller discards its file.
  WriteFileBytes(b, "B");
  EXPECT_FALSE(MoveIntoPlace(a, b, false));
  EXPECT_EQ(ReadFileBytesForTest(b), "B");
  EXPECT_TRUE(platform::PathExists(a));
}

TEST(PlatformFiles, FolderListing) {
  TempFolder folder;
  std::vector<platform::FolderEntry> entries;
  EXPECT_EQ(platform::ListFolder(folder.Path("absent"), entries), platform::ListResult::NoSuchFolder);
  EXPECT_EQ(platform::ListFolder(folder.Path(""), entries), platform::ListResult::Ok);
  EXPECT_TRUE(entries.empty());
  WriteFileBytes(folder.Path("file.txt"), "x");
  std::filesystem::create_directory(folder.root() / "sub");
  ASSERT_EQ(platform::ListFolder(folder.Path(""), entries), platform::ListResult::Ok);
  ASSERT_EQ(entries.size(), 2u);
  for (const auto& entry : entries) EXPECT_EQ(entry.isFolder, entry.name == "sub");
  EXPECT_TRUE(platform::IsFolder(folder.Path("sub")));
  EXPECT_FALSE(platform::IsFolder(folder.Path("file.txt")));
}
