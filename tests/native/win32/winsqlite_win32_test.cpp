// The program links SQLite through an import library of winsqlite3.dll made from a list of
// function names. A name the DLL does not export only shows when the program is loaded,
// so every listed function is called here once.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstring>
#include <string>

namespace {

struct Connection {
  sqlite3* db = nullptr;
  ~Connection() {
    if (db) sqlite3_close(db);
  }
};

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() {
    if (stmt) sqlite3_finalize(stmt);
  }
};

}  // namespace

TEST(Win32Sqlite, EveryImportedFunctionResolves) {
  Connection c;
  ASSERT_EQ(sqlite3_open_v2(":memory:", &c.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_busy_timeout(c.db, 5000), SQLITE_OK);
  int defensive = -1;
  EXPECT_EQ(sqlite3_db_config(c.db, SQLITE_DBCONFIG_DEFENSIVE, 1, &defensive), SQLITE_OK);
  EXPECT_EQ(defensive, 1);
  ASSERT_EQ(sqlite3_exec(c.db, "CREATE TABLE t(name TEXT, data BLOB, n INTEGER)", nullptr, nullptr, nullptr),
            SQLITE_OK);

  {
    Statement insert;
    ASSERT_EQ(sqlite3_prepare_v2(c.db, "INSERT INTO t VALUES(?1, ?2, ?3)", -1, &insert.stmt, nullptr), SQLITE_OK);
    const std::string name = "\xE3\x81\xAF\xE3\x81\x98\xE3\x82\x81\xE3\x81\xAB";  // はじめに
    const unsigned char data[] = {0x00, 0xFF, 0x10};
    EXPECT_EQ(sqlite3_bind_text(insert.stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT), SQLITE_OK);
    EXPECT_EQ(sqlite3_bind_blob(insert.stmt, 2, data, 3, SQLITE_TRANSIENT), SQLITE_OK);
    EXPECT_EQ(sqlite3_bind_int64(insert.stmt, 3, 1LL << 40), SQLITE_OK);
    EXPECT_EQ(sqlite3_step(insert.stmt), SQLITE_DONE);
    EXPECT_EQ(sqlite3_changes(c.db), 1);
  }

  Statement select;
  ASSERT_EQ(sqlite3_prepare_v2(c.db, "SELECT name, data, n FROM t", -1, &select.stmt, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(select.stmt), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, 0)),
               "\xE3\x81\xAF\xE3\x81\x98\xE3\x82\x81\xE3\x81\xAB");
  ASSERT_EQ(sqlite3_column_bytes(select.stmt, 1), 3);
  EXPECT_EQ(std::memcmp(sqlite3_column_blob(select.stmt, 1), "\x00\xFF\x10", 3), 0);
  EXPECT_EQ(sqlite3_column_type(select.stmt, 2), SQLITE_INTEGER);
  EXPECT_EQ(sqlite3_column_int64(select.stmt, 2), 1LL << 40);
  EXPECT_EQ(sqlite3_step(select.stmt), SQLITE_DONE);

  char* message = nullptr;
  EXPECT_EQ(sqlite3_exec(c.db, "SELECT * FROM missing", nullptr, nullptr, &message), SQLITE_ERROR);
  EXPECT_EQ(sqlite3_errcode(c.db), SQLITE_ERROR);
  EXPECT_EQ(sqlite3_extended_errcode(c.db), SQLITE_ERROR);
  EXPECT_NE(std::string(sqlite3_errmsg(c.db)).find("missing"), std::string::npos);
  ASSERT_NE(message, nullptr);
  sqlite3_free(message);
}
