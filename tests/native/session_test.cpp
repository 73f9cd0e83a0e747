#include "documents/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "documents/recent_files.h"
#include "store/store_files.h"
#include "support/store_test_support.h"
#include "support/system_for_tests.h"

namespace {

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    documents.recentPath = folder.Path("recent.txt");
    documents.handlerFor = NoHandler;
  }

  static RequestHandler NoHandler(DocumentSession&) {
    return [](const HttpRequest&) { return ErrorResponse(404, "not_found", ""); };
  }

  std::string NewDocument(const std::string& name) {
    const std::string path = folder.Path(name);
    EXPECT_TRUE(CreateStoreFile(path));
    return path;
  }

  TempFolder folder;
  OpenDocuments documents;
};

TEST_F(SessionTest, NamesDifferingInCaseFollowTheFileSystem) {
  documents.settings.port = 61440;
  const std::string lower = NewDocument("notes.fcard");
  const std::string upper = NewDocument("NOTES.fcard");  // on Windows the same file again
  DocumentSession* first = nullptr;
  if (!OpenDocument(documents, lower, &first)) GTEST_SKIP() << "port 61440 is in use";
  DocumentSession* second = nullptr;
  const Status opened = OpenDocument(documents, upper, &second);
  ASSERT_TRUE(opened) << opened.cause();
  std::lock_guard<std::mutex> lock(documents.mutex);
  if (FileNamesIgnoreCase()) {
    // One file, one document: the session opened first serves every spelling.
    EXPECT_EQ(first, second);
    EXPECT_EQ(FindOpenSession(documents, folder.Path("Notes.fcard")), first);
  } else {
    EXPECT_NE(first, second);
    EXPECT_EQ(FindOpenSession(documents, upper), second);
    EXPECT_EQ(FindOpenSession(documents, lower), first);
    EXPECT_EQ(FindOpenSession(documents, folder.Path("Notes.fcard")), nullptr);
  }
}

TEST_F(SessionTest, AFailedOpeningLeavesTheStateUnchanged) {
  documents.settings.port = 61470;
  const std::string good = NewDocument("good.fcard");
  DocumentSession* first = nullptr;
  if (!OpenDocument(documents, good, &first)) GTEST_SKIP() << "port 61470 is in use";

  const std::string foreign = folder.Path("foreign.fcard");
  { std::ofstream(std::filesystem::u8path(foreign)) << "not a document"; }
  EXPECT_EQ(OpenDocument(documents, foreign), StatusCode::NotADocument);
  EXPECT_EQ(OpenDocument(documents, folder.Path("missing.fcard")), StatusCode::FileNotFound);
  EXPECT_EQ(documents.sessions.size(), 1u);
  EXPECT_EQ(documents.current, first);
  EXPECT_EQ(ReadRecentFiles(documents), std::vector<std::string>{good});
}

TEST_F(SessionTest, TheAutomaticRangeHoldsAtMostTwentyDocuments) {
  // Other programs may hold some of these ports; the range is exhausted all the same.
  std::set<std::uint32_t> ports;
  Status last;
  int opened = 0;
  for (; opened <= 20; ++opened) {
    DocumentSession* session = nullptr;
    last = OpenDocument(documents, NewDocument(std::to_string(opened) + ".fcard"), &session);
    if (!last) break;
    EXPECT_GE(session->listener.port, 8890u);
    EXPECT_LE(session->listener.port, 8909u);
    ports.insert(session->listener.port);
  }
  EXPECT_LE(opened, 20);
  EXPECT_EQ(ports.size(), static_cast<std::size_t>(opened));
  EXPECT_EQ(last, StatusCode::NoSession);
  EXPECT_EQ(documents.sessions.size(), static_cast<std::size_t>(opened));
}

TEST_F(SessionTest, AGivenPortThatIsTakenFailsTheFirstDocumentWithoutTryingOthers) {
  documents.settings.port = 61500;
  if (!OpenDocument(documents, NewDocument("holder.fcard"))) GTEST_SKIP() << "port 61500 is in use";
  OpenDocuments other;
  other.recentPath = folder.Path("other-recent.txt");
  other.handlerFor = NoHandler;
  other.settings.port = 61500;
  EXPECT_EQ(OpenDocument(other, NewDocument("second.fcard")), StatusCode::NoSession);
}

}  // namespace
