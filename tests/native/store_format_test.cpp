#include <gtest/gtest.h>

#include "platform/files.h"
#include "store/format.h"
#include "store/store_files.h"
#include "support/store_test_support.h"

namespace {

Status Open(const std::string& path) {
  ConnectionHandle connection;
  return OpenStore(path, connection);
}

// A document built statement by statement, so tests can vary any one of them.
std::string BuildByHand(const TempFolder& folder, const std::string& tables, int version = 1) {
  const std::string path = folder.Path("hand.fcard");
  EXPECT_TRUE(RunSql(path, "PRAGMA auto_vacuum=INCREMENTAL; PRAGMA application_id=1178948174; PRAGMA user_version=" +
                               std::to_string(version) + ";" + tables));
  return path;
}

const std::string kMeta = "CREATE TABLE meta(id TEXT PRIMARY KEY, body BLOB NOT NULL);";
const std::string kPages = "CREATE TABLE pages(id TEXT PRIMARY KEY, body BLOB NOT NULL);";
const std::string kImages = "CREATE TABLE images(id TEXT PRIMARY KEY, body BLOB NOT NULL, modified INTEGER NOT NULL);";

}  // namespace

TEST(StoreFormat, FreshDocumentPassesEveryCheck) {
  TempFolder folder;
  const std::string path = folder.Path("new.fcard");
  ASSERT_TRUE(CreateStoreFile(path));
  EXPECT_EQ(Open(path), StatusCode::Ok);
  EXPECT_TRUE(ValidateDocumentFile(path));
  EXPECT_EQ(QueryInt(path, "PRAGMA auto_vacuum"), 2);
  EXPECT_EQ(QueryInt(path, "PRAGMA application_id"), 1178948174);
  EXPECT_EQ(QueryInt(path, "PRAGMA user_version"), 1);
  EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM sqlite_master"), 6);
  EXPECT_EQ(QueryInt(path, "SELECT count(*) FROM sqlite_master WHERE sql='" + kImages.substr(0, kImages.size() - 1) + "'"), 1);
}

TEST(StoreFormat, MissingFileIsReportedAndNeverCreated) {
  TempFolder folder;
  const std::string path = folder.Path("absent.fcard");
  EXPECT_EQ(Open(path), StatusCode::FileNotFound);
  EXPECT_EQ(ValidateDocumentFile(path), StatusCode::FileNotFound);
  EXPECT_FALSE(platform::PathExists(path));
}

TEST(StoreFormat, ForeignAndEmptyFilesAreNotDocuments) {
  TempFolder folder;
  const std::string foreign = folder.Path("foreign.db");
  ASSERT_TRUE(RunSql(foreign, "CREATE TABLE t(x)"));
  EXPECT_EQ(Open(foreign), StatusCode::NotADocument);

  const std::string empty = folder.Path("empty.fcard");
  WriteFileBytes(empty, "");
  EXPECT_EQ(Open(empty), StatusCode::NotADocument);

  const std::string text = folder.Path("text.fcard");
  WriteFileBytes(text, std::string(5000, 'x'));
  EXPECT_EQ(Open(text), StatusCode::NotADocument);
  EXPECT_EQ(ValidateDocumentFile(text), StatusCode::NotADocument);
  EXPECT_EQ(ReadFileBytesForTest(text), std::string(5000, 'x'));
}

TEST(StoreFormat, FormatVersionDecidesNewerOrForeign) {
  TempFolder folder;
  const std::string path = folder.Path("v.fcard");
  ASSERT_TRUE(CreateStoreFile(path));
  ASSERT_TRUE(RunSql(path, "PRAGMA user_version=2"));
  EXPECT_EQ(Open(path), StatusCode::NewerVersion);
  EXPECT_EQ(ValidateDocumentFile(path), StatusCode::NewerVersion);

  ASSERT_TRUE(RunSql(path, "PRAGMA user_version=0"));
  EXPECT_EQ(Open(path), StatusCode::NotADocument);
  ASSERT_TRUE(RunSql(path, "PRAGMA user_version=-1"));
  EXPECT_EQ(Open(path), StatusCode::NotADocument);
  ASSERT_TRUE(RunSql(path, "PRAGMA user_version=1"));
  EXPECT_EQ(Open(path), StatusCode::Ok);
}

TEST(StoreFormat, AnyAddedSchemaObjectIsRefused) {
  const char* additions[] = {
      "CREATE INDEX pages_body ON pages(body)",
      "CREATE VIEW everything AS SELECT id FROM pages",
      "CREATE TRIGGER touch AFTER INSERT ON pages BEGIN DELETE FROM meta; END",
      "CREATE TABLE extra(x)",
      // ANALYZE adds sqlite_stat1, which is a table of its own.
      "INSERT INTO pages VALUES('a', x'00'); ANALYZE",
  };
  for (const char* addition : additions) {
    TempFolder folder;
    const std::string path = folder.Path("doc.fcard");
    ASSERT_TRUE(CreateStoreFile(path));
    ASSERT_TRUE(RunSql(path, addition)) << addition;
    EXPECT_EQ(Open(path), StatusCode::NotADocument) << addition;
  }
}

TEST(StoreFormat, TablesMustMatchTheirStatementsByteForByte) {
  const std::string variants[] = {
      "CREATE TABLE meta (id TEXT PRIMARY KEY, body BLOB NOT NULL);" + kPages + kImages,
      "create table meta(id text primary key, body blob not null);" + kPages + kImages,
      "CREATE TABLE meta(id TEXT PRIMARY KEY,  body BLOB NOT NULL);" + kPages + kImages,
      kMeta + kPages,  // a table missing
      kMeta + kPages + "CREATE TABLE images(id TEXT PRIMARY KEY, body BLOB NOT NULL);",
  };
  for (const auto& tables : variants) {
    TempFolder folder;
    EXPECT_EQ(Open(BuildByHand(folder, tables)), StatusCode::NotADocument) << tables;
  }
}

TEST(StoreFormat, OrderOfTheSchemaRowsDoesNotMatter) {
  TempFolder folder;
  const std::string path = BuildByHand(folder, kImages + kMeta + kPages);
  EXPECT_EQ(Open(path), StatusCode::Ok);
  EXPECT_TRUE(ValidateDocumentFile(path));
}

TEST(StoreFormat, DamagedPageIsCaughtByTheIntegrityCheck) {
  TempFolder folder;
  const std::string path = folder.Path("damaged.fcard");
  ASSERT_TRUE(CreateStoreFile(path));
  ASSERT_TRUE(RunSql(path, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<200) "
                           "INSERT INTO pages SELECT printf('%036d', i), randomblob(300) FROM n"));
  const std::int64_t root = QueryInt(path, "SELECT rootpage FROM sqlite_master WHERE name='pages'");
  const std::int64_t pageSize = QueryInt(path, "PRAGMA page_size");
  ASSERT_GT(root, 1);
  std::string bytes = ReadFileBytesForTest(path);
  const auto offset = static_cast<std::size_t>((root - 1) * pageSize);
  ASSERT_LT(offset + 64, bytes.size());
  for (std::size_t i = 0; i < 64; ++i) bytes[offset + i] = static_cast<char>(0xFF);
  WriteFileBytes(path, bytes);

  EXPECT_EQ(Open(path), StatusCode::Ok);  // the schema itself is intact
  const Status checked = ValidateDocumentFile(path);
  EXPECT_EQ(checked, StatusCode::NotADocument);
  EXPECT_NE(checked.cause(), "");  // what the integrity check said
}
