#pragma once
// Temporary folders and raw database access for the store tests.
#include <cstdint>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "store/document_file.h"

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string Path(const std::string& name) const;  // UTF-8 path of a name inside the folder
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytesForTest(const std::string& path);

// Runs statements on the file with a plain connection (created when missing); false on failure.
bool RunSql(const std::string& path, const std::string& sql);

// The first column of the first row of a query as an integer, or -1.
std::int64_t QueryInt(const std::string& path, const std::string& sql);

// Names of the files in the folder, sorted.
std::string ListNames(const std::string& folder);

// A test with a fresh, empty document of its own, doc.fcard in a temporary folder.
struct DocumentTest : ::testing::Test {
  TempFolder folder;
  DocumentFile document;
  void SetUp() override;
};
