#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/files.h"
#include "store/format.h"
#include "store/images.h"
#include "store/legacy_import.h"
#include "store/records.h"
#include "support/store_test_support.h"
#include "support/system_for_tests.h"

namespace {

namespace fs = std::filesystem;

const std::string kPage = "0f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b";
const std::string kImage = "0123456789abcdef0123456789abcdef";
const std::string kJpeg("\xff\xd8\xff\xe0 jpeg bytes", 15);
const std::string kPng("\x89PNG\r\n\x1a\n png bytes", 18);

struct ImportFixture : ::testing::Test {
  TempFolder data;
  std::string target;
  void SetUp() override {
    target = data.Path("Ferncard.fcard");
    fs::create_directories(data.root() / "pages");
    fs::create_directories(data.root() / "images");
  }
  void Write(const std::string& relative, const std::string& bytes) { WriteFileBytes(data.Path(relative), bytes); }
  std::int64_t Rows(const std::string& table) { return QueryInt(target, "SELECT count(*) FROM " + table); }
  // After a failed import nothing but the old layout is in the folder.
  void ExpectNothingWritten(const std::string& names) {
    EXPECT_FALSE(platform::PathExists(target));
    EXPECT_EQ(ListNames(data.Path("")), names);
  }
};

}  // namespace

TEST_F(ImportFixture, OnlyATreeGivesOneMetaRow) {
  const std::string tree = "{\"schemaVersion\":1,\"pages\":[]}\n not even parsed";
  Write("tree.json", tree);
  ASSERT_TRUE(ImportLegacyFolder(data.Path(""), target));
  EXPECT_TRUE(ValidateDocumentFile(target));
  EXPECT_EQ(Rows("meta"), 1);
  EXPECT_EQ(Rows("pages"), 0);
  EXPECT_EQ(Rows("images"), 0);
  DocumentFile document;
  document.path = target;
  std::string body, tag;
  ASSERT_EQ(GetTree(document, body, tag), StatusCode::Ok);
  EXPECT_EQ(body, tree);
  EXPECT_EQ(ListNames(data.Path("")), "Ferncard.fcard images pages tree.json");
}

TEST_F(ImportFixture, WithoutATreeNothingIsImported) {
  Write("pages/" + kPage + ".html", "<p>kept</p>");
  Write("images/" + kImage + ".png", kPng);
  EXPECT_FALSE(ImportLegacyFolder(data.Path(""), target));
  ExpectNothingWritten("images pages");
  EXPECT_EQ(ReadFileBytesForTest(data.Path("pages/" + kPage + ".html")), "<p>kept</p>");
}

TEST_F(ImportFixture, PagesImagesAndBackupFollowTheNamingRules) {
  Write("tree.json", "tree");
  Write("tree.json.bak", "older tree");
  Write("pages/" + kPage + ".html", "<p>page</p>");
  Write("pages/3F8E3A5C-1B2D-4C6E-8A9B-0C1D2E3F4A5B.html", "upper-case id");  // not a case twin of kPage
  Write("pages/1f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b.htm", "other extension");
  Write("pages/2f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b.txt", "other extension");
  Write("pages/notes.html", "not an id");
  Write("images/" + kImage + ".png", kJpeg);  // the bytes decide the type, not the name
  const std::string twoDots = "fedcba9876543210fedcba9876543210";
  Write("images/" + twoDots + ".thumb.gif", "GIF89a....");
  Write("images/" + std::string(32, 'c'), kPng);  // no dot
  Write("images/" + std::string(31, 'c') + ".png", kPng);
  Write("images/" + std::string(32, 'C') + ".png", kPng);
  Write("images/" + std::string(32, 'd') + ".png", "not an image");
  fs::create_directories(data.root() / "images" / (std::string(32, 'e') + ".png"));

  ASSERT_TRUE(ImportLegacyFolder(data.Path(""), target));
  EXPECT_EQ(Rows("meta"), 2);
  EXPECT_EQ(Rows("pages"), 1);
  EXPECT_EQ(Rows("images"), 2);
  DocumentFile document;
  document.path = target;
  std::string body, tag;
  EXPECT_EQ(GetPage(document, kPage, body, tag), StatusCode::Ok);
  EXPECT_EQ(body, "<p>page</p>");
  EXPECT_EQ(GetRecord(document, "meta", "tree.bak", body, tag), StatusCode::Ok);
  EXPECT_EQ(body, "older tree");
  std::string type;
  EXPECT_EQ(GetImage(document, kImage, body, type), StatusCode::Ok);
  EXPECT_EQ(body, kJpeg);
  EXPECT_EQ(type, "image/jpeg");
  EXPECT_EQ(GetImage(document, twoDots, body, type), StatusCode::Ok);
  EXPECT_EQ(type, "image/gif");
}

TEST_F(ImportFixture, ImageTimeIsTheFilesLastWriteToTheMillisecond) {
  Write("tree.json", "tree");
  Write("images/" + kImage + ".png", kPng);
  ASSERT_TRUE(SetLastWriteMs(data.Path("images/" + kImage + ".png"), 1700000000123));
  ASSERT_TRUE(ImportLegacyFolder(data.Path(""), target));
  DocumentFile document;
  document.path = target;
  std::vector<ImageInfo> list;
  ASSERT_TRUE(ListImages(document, list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].modified, 1700000000123);
  EXPECT_EQ(list[0].size, static_cast<std::int64_t>(kPng.size()));
}

TEST_F(ImportFixture, AnUnreadablePageFailsTheWholeImport) {
  Write("tree.json", "tree");
  Write("pages/" + kPage + ".html", "<p>page</p>");
  fs::create_directories(data.root() / "pages" / "1f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b.html");
  EXPECT_FALSE(ImportLegacyFolder(data.Path(""), target));
  ExpectNothingWritten("images pages tree.json");
  EXPECT_EQ(ListNames(data.Path("pages")), "0f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b.html 1f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b.html");
}

TEST_F(ImportFixture, OneImageIdentifierTwiceFailsTheImport) {
  Write("tree.json", "tree");
  Write("images/" + kImage + ".png", kPng);
  Write("images/" + kImage + ".jpg", kJpeg);
  EXPECT_FALSE(ImportLegacyFolder(data.Path(""), target));
  ExpectNothingWritten("images pages tree.json");
}

TEST_F(ImportFixture, AnExistingTargetIsNeverReplaced) {
  Write("tree.json", "tree");
  Write("Ferncard.fcard", "someone else's file");
  EXPECT_FALSE(ImportLegacyFolder(data.Path(""), target));
  EXPECT_EQ(ReadFileBytesForTest(target), "someone else's file");
  EXPECT_EQ(ListNames(data.Path("")), "Ferncard.fcard images pages tree.json");
}

TEST_F(ImportFixture, MissingFoldersMeanNoPagesOrImages) {
  fs::remove(data.root() / "pages");
  fs::remove(data.root() / "images");
  Write("tree.json", "tree");
  ASSERT_TRUE(ImportLegacyFolder(data.Path(""), target));
  EXPECT_EQ(Rows("pages"), 0);
  EXPECT_EQ(Rows("images"), 0);
}
