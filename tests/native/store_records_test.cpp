#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <thread>

#include "platform/files.h"
#include "store/images.h"
#include "store/records.h"
#include "util/text.h"
#include "support/store_test_support.h"

namespace {

const std::string kPage = "0f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b";
const std::string kEmptyTag = "e3b0c44298fc1c149afbf4c8996fb924";

struct StoreFixture : DocumentTest {
  std::string Put(const std::string& body, const std::string& expected, StatusCode want = StatusCode::Ok) {
    std::string tag;
    EXPECT_EQ(PutPage(document, kPage, body, expected, tag), want);
    return tag;
  }
};

std::string Png(std::size_t size) {
  std::string bytes("\x89PNG\r\n\x1a\n", 8);
  bytes.resize(size, 'p');
  return bytes;
}

}  // namespace

TEST_F(StoreFixture, CompareAndWriteOfPages) {
  Put("<p>x</p>", "abc", StatusCode::Conflict);
  std::string body, tag;
  EXPECT_EQ(GetPage(document, kPage, body, tag), StatusCode::NotFound);  // the conflict wrote nothing

  const std::string first = Put("<p>A</p>", "0");
  EXPECT_EQ(first, VersionTag("<p>A</p>"));
  EXPECT_EQ(first.size(), 32u);
  Put("<p>again</p>", "0", StatusCode::Conflict);
  EXPECT_EQ(GetPage(document, kPage, body, tag), StatusCode::Ok);
  EXPECT_EQ(body, "<p>A</p>");
  EXPECT_EQ(tag, first);

  // A window writes B over A and then A again: a window that still holds A's tag may write.
  const std::string b = Put("<p>B</p>", first);
  const std::string a = Put("<p>A</p>", b);
  EXPECT_EQ(a, first);
  Put("<p>C</p>", first);
  Put("<p>D</p>", b, StatusCode::Conflict);
  EXPECT_EQ(GetPage(document, kPage, body, tag), StatusCode::Ok);
  EXPECT_EQ(body, "<p>C</p>");
}

TEST_F(StoreFixture, EmptyBodyIsAZeroLengthBlobWithItsOwnTag) {
  EXPECT_EQ(Put("", "0"), kEmptyTag);
  std::string body = "x", tag;
  EXPECT_EQ(GetPage(document, kPage, body, tag), StatusCode::Ok);
  EXPECT_EQ(body, "");
  EXPECT_EQ(tag, kEmptyTag);
  EXPECT_EQ(QueryInt(document.path, "SELECT typeof(body)='blob' AND length(body)=0 FROM pages"), 1);
}

TEST_F(StoreFixture, TreeBackupHoldsThePreviousTree) {
  std::string tag, body, bakTag;
  ASSERT_EQ(PutTree(document, "{\"v\":1}", "0", tag), StatusCode::Ok);
  EXPECT_EQ(GetRecord(document, "meta", "tree.bak", body, bakTag), StatusCode::NotFound);

  ASSERT_EQ(PutTree(document, "{\"v\":2}", tag, tag), StatusCode::Ok);
  EXPECT_EQ(GetRecord(document, "meta", "tree.bak", body, bakTag), StatusCode::Ok);
  EXPECT_EQ(body, "{\"v\":1}");

  std::string ignored;
  EXPECT_EQ(PutTree(document, "{\"v\":3}", VersionTag("{\"v\":1}"), ignored), StatusCode::Conflict);
  EXPECT_EQ(GetTree(document, body, ignored), StatusCode::Ok);
  EXPECT_EQ(body, "{\"v\":2}");
  EXPECT_EQ(ignored, tag);
  EXPECT_EQ(GetRecord(document, "meta", "tree.bak", body, bakTag), StatusCode::Ok);
  EXPECT_EQ(body, "{\"v\":1}");

  // Page writes never touch the backup.
  Put("<p>page</p>", "0");
  EXPECT_EQ(GetRecord(document, "meta", "tree.bak", body, bakTag), StatusCode::Ok);
  EXPECT_EQ(body, "{\"v\":1}");
}

TEST_F(StoreFixture, DeleteReturnsEveryFreePage) {
  std::string tag;
  EXPECT_EQ(DeletePage(document, kPage), StatusCode::NotFound);
  Put(std::string(200000, 'x'), "0");
  const std::int64_t grown = QueryInt(document.path, "PRAGMA page_count");
  // A shorter body leaves free pages behind until the next delete.
  Put("short", VersionTag(std::string(200000, 'x')));
  EXPECT_GT(QueryInt(document.path, "PRAGMA freelist_count"), 0);
  EXPECT_EQ(DeletePage(document, kPage), StatusCode::Ok);
  EXPECT_EQ(QueryInt(document.path, "PRAGMA freelist_count"), 0);
  EXPECT_LT(QueryInt(document.path, "PRAGMA page_count"), grown);
  EXPECT_EQ(DeletePage(document, kPage), StatusCode::NotFound);
}

TEST_F(StoreFixture, PageIdentifiersOfTheWrongShapeAreErrors) {
  const std::string upper = "0F8E3A5C-1B2D-4C6E-8A9B-0C1D2E3F4A5B";
  std::string body, tag;
  EXPECT_EQ(GetPage(document, upper, body, tag), StatusCode::Error);
  EXPECT_EQ(PutPage(document, upper, "x", "0", tag), StatusCode::Error);
  EXPECT_EQ(DeletePage(document, upper), StatusCode::Error);
  EXPECT_EQ(QueryInt(document.path, "SELECT count(*) FROM pages"), 0);
}

TEST_F(StoreFixture, EveryOperationFailsOnAFileThatIsNotADocumentAndSaysWhy) {
  ASSERT_TRUE(RunSql(document.path, "CREATE TABLE intruder(x)"));
  std::string body, tag, id;
  std::vector<ImageInfo> list;
  const Status read = GetPage(document, kPage, body, tag);
  EXPECT_EQ(read, StatusCode::Error);
  EXPECT_EQ(read.cause(), "foreign schema object table intruder");
  EXPECT_EQ(PutPage(document, kPage, "x", "0", tag), StatusCode::Error);
  EXPECT_EQ(DeletePage(document, kPage), StatusCode::Error);
  EXPECT_EQ(InsertImage(document, Png(10), id), StatusCode::Error);
  EXPECT_FALSE(ListImages(document, list));
  document.path = folder.Path("gone.fcard");
  const Status gone = GetTree(document, body, tag);
  EXPECT_EQ(gone, StatusCode::Error);
  EXPECT_EQ(gone.cause(), "no file at " + document.path);
  EXPECT_FALSE(platform::PathExists(document.path));
}

TEST(ImageTypes, RecognisedByTheirFirstBytes) {
  using namespace std::string_literals;
  EXPECT_STREQ(SniffImageType("\x89PNG\r\n\x1a\n"s)->contentType, "image/png");
  EXPECT_FALSE(SniffImageType("\x89PNG\r\n\x1a"s));
  EXPECT_STREQ(SniffImageType("\xff\xd8\xff"s)->name, "jpg");
  EXPECT_STREQ(SniffImageType("\xff\xd8\xff"s)->contentType, "image/jpeg");
  EXPECT_FALSE(SniffImageType("\xff\xd8"s));
  EXPECT_STREQ(SniffImageType("GIF87a"s)->contentType, "image/gif");
  EXPECT_STREQ(SniffImageType("GIF89a..."s)->name, "gif");
  EXPECT_FALSE(SniffImageType("GIF88a"s));
  EXPECT_STREQ(SniffImageType("RIFF\0\0\0\0WEBP"s)->contentType, "image/webp");
  EXPECT_FALSE(SniffImageType("RIFF\0\0\0\0WEB"s));
  EXPECT_FALSE(SniffImageType("RIFF\0\0\0\0WAVE"s));
  EXPECT_FALSE(SniffImageType(""s));
}

TEST_F(StoreFixture, ImagesAreInsertedReadListedAndDeleted) {
  const std::string bytes = Png(5000);
  std::string first, second;
  ASSERT_EQ(InsertImage(document, bytes, first), StatusCode::Ok);
  ASSERT_EQ(InsertImage(document, bytes, second), StatusCode::Ok);
  EXPECT_TRUE(IsLowerHexOfLength(first, 32));
  EXPECT_NE(first, second);
  std::string id = "kept";
  EXPECT_EQ(InsertImage(document, "plain text", id), StatusCode::Error);
  EXPECT_EQ(id, "");

  std::string got, type;
  ASSERT_EQ(GetImage(document, first, got, type), StatusCode::Ok);
  EXPECT_EQ(got, bytes);
  EXPECT_EQ(type, "image/png");
  std::string upper = first;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper != first) {
    EXPECT_EQ(GetImage(document, upper, got, type), StatusCode::NotFound);
  }

  // Rows written by another program: a wrong-shaped id is not listed, a non-image is not served.
  // An id that is a valid one followed by a NUL byte and more is wrong-shaped too.
  const std::string textId(32, 'a');
  const std::string nulPrefix(32, 'b');
  ASSERT_TRUE(RunSql(document.path, "INSERT INTO images VALUES('BAD', x'89504e470d0a1a0a', 1);"
                                    "INSERT INTO images VALUES('" + textId + "', x'414243', 7);"
                                    "INSERT INTO images VALUES(CAST(x'" + HexEncode(nulPrefix.data(), 32) +
                                    "0041' AS TEXT), x'89504e470d0a1a0a', 1)"));
  EXPECT_EQ(GetImage(document, nulPrefix, got, type), StatusCode::NotFound);
  EXPECT_EQ(DeleteImage(document, nulPrefix), StatusCode::NotFound);
  EXPECT_EQ(GetImage(document, textId, got, type), StatusCode::NotFound);
  EXPECT_EQ(got, "");

  std::vector<ImageInfo> list;
  ASSERT_TRUE(ListImages(document, list));
  ASSERT_EQ(list.size(), 3u);
  const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::system_clock::now().time_since_epoch()).count();
  for (const auto& info : list) {
    if (info.id == textId) {
      EXPECT_EQ(info.size, 3);
      EXPECT_EQ(info.modified, 7);
    } else {
      EXPECT_TRUE(info.id == first || info.id == second);
      EXPECT_EQ(info.size, 5000);
      EXPECT_LE(info.modified, now);
      EXPECT_GT(info.modified, now - 60000);
    }
  }

  EXPECT_EQ(DeleteImage(document, first), StatusCode::Ok);
  EXPECT_EQ(DeleteImage(document, first), StatusCode::NotFound);
  EXPECT_EQ(DeleteImage(document, "BAD"), StatusCode::NotFound);
  EXPECT_EQ(GetImage(document, first, got, type), StatusCode::NotFound);
  EXPECT_EQ(QueryInt(document.path, "PRAGMA freelist_count"), 0);
  EXPECT_EQ(QueryInt(document.path, "SELECT count(*) FROM images WHERE id='BAD' OR length(CAST(id AS BLOB))=34"), 2);
}
