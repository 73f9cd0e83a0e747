#include "support/store_test_support.h"

#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "store/format.h"
#include "store/store_files.h"
#include "util/text.h"

TempFolder::TempFolder() {
  root_ = std::filesystem::temp_directory_path() / ("ferncard-test-" + RandomHex(8));
  std::filesystem::create_directories(root_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(root_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root_, ignored);
}

std::string TempFolder::Path(const std::string& name) const {
  const auto u8 = (root_ / std::filesystem::path(std::u8string(name.begin(), name.end()))).u8string();
  return std::string(u8.begin(), u8.end());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytesForTest(const std::string& path) {
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool RunSql(const std::string& path, const std::string& sql) {
  ConnectionHandle connection;
  if (sqlite3_open_v2(path.c_str(), connection.out(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    return false;
  }
  return sqlite3_exec(connection.get(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::int64_t QueryInt(const std::string& path, const std::string& sql) {
  ConnectionHandle connection;
  if (sqlite3_open_v2(path.c_str(), connection.out(), SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return -1;
  StatementHandle statement;
  sqlite3_prepare_v2(connection.get(), sql.c_str(), -1, statement.out(), nullptr);
  if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) return -1;
  return sqlite3_column_int64(statement.get(), 0);
}

std::string ListNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(std::u8string(folder.begin(), folder.end())))) {
    const auto u8 = entry.path().filename().u8string();
    names.emplace_back(u8.begin(), u8.end());
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}

void DocumentTest::SetUp() {
  document.path = folder.Path("doc.fcard");
  ASSERT_TRUE(CreateStoreFile(document.path));
}
