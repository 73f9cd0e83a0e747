#include "documents/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/app_state.h"
#include "documents/recent_files.h"
#include "store/store_files.h"
#include "support/store_test_support.h"

namespace {

const std::string kPortMessage = "ファイルを開けません。他のファイルを閉じるか、Ferncard を一度終了してください。";

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() { app.recentPath = folder.Path("recent.txt"); }

  std::string NewDocument(const std::string& name) {
    const std::string path = folder.Path(name);
    EXPECT_TRUE(CreateStoreFile(path));
    return path;
  }

  TempFolder folder;
  AppState app;
};

TEST_F(SessionTest, ReopeningAPathReusesItsSessionAndMakesItCurrent) {
  app.options.port = 61410;
  const std::string a = NewDocument("a.fcard");
  const std::string b = NewDocument("b.fcard");
  std::string message;
  DocumentSession* first = OpenDocument(app, a, message);
  if (first == nullptr) GTEST_SKIP() << "port 61410 is in use";
  EXPECT_EQ(first->listener.port, 61410u);
  EXPECT_EQ(first->cookieName, "fc_61410");
  EXPECT_EQ(first->cookieSecret.size(), 64u);

  DocumentSession* second = OpenDocument(app, b, message);
  ASSERT_NE(second, nullptr) << message;
  EXPECT_GT(second->listener.port, 61410u);
  EXPECT_LE(second->listener.port, 61430u);
  EXPECT_EQ(second->cookieName, "fc_" + std::to_string(second->listener.port));
  EXPECT_NE(second->cookieSecret, first->cookieSecret);
  EXPECT_EQ(app.current, second);

  EXPECT_EQ(OpenDocument(app, a, message), first);
  EXPECT_EQ(app.sessions.size(), 2u);
  EXPECT_EQ(app.current, first);
  EXPECT_EQ(first->listener.port, 61410u);
  EXPECT_EQ(ReadRecentFiles(app), (std::vector<std::string>{a, b}));
}

TEST_F(SessionTest, NamesDifferingInCaseAreTwoDocumentsOnThisSystem) {
  app.options.port = 61440;
  const std::string lower = NewDocument("notes.fcard");
  const std::string upper = NewDocument("NOTES.fcard");
  std::string message;
  DocumentSession* first = OpenDocument(app, lower, message);
  if (first == nullptr) GTEST_SKIP() << "port 61440 is in use";
  DocumentSession* second = OpenDocument(app, upper, message);
  ASSERT_NE(second, nullptr) << message;
  EXPECT_NE(first, second);
  std::lock_guard<std::mutex> lock(app.mutex);
  EXPECT_EQ(FindOpenSession(app, upper), second);
  EXPECT_EQ(FindOpenSession(app, lower), first);
  EXPECT_EQ(FindOpenSession(app, folder.Path("Notes.fcard")), nullptr);
}

TEST_F(SessionTest, AFailedOpeningLeavesTheStateUnchanged) {
  app.options.port = 61470;
  const std::string good = NewDocument("good.fcard");
  std::string message;
  DocumentSession* first = OpenDocument(app, good, message);
  if (first == nullptr) GTEST_SKIP() << "port 61470 is in use";

  const std::string foreign = folder.Path("foreign.fcard");
  { std::ofstream(std::filesystem::u8path(foreign)) << "not a document"; }
  message.clear();
  EXPECT_EQ(OpenDocument(app, foreign, message), nullptr);
  EXPECT_FALSE(message.empty());
  message.clear();
  EXPECT_EQ(OpenDocument(app, folder.Path("missing.fcard"), message), nullptr);
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(app.sessions.size(), 1u);
  EXPECT_EQ(app.current, first);
  EXPECT_EQ(ReadRecentFiles(app), std::vector<std::string>{good});
}

TEST_F(SessionTest, TheAutomaticRangeHoldsAtMostTwentyDocuments) {
  // Other programs may hold some of these ports; the range is exhausted all the same.
  std::set<std::uint32_t> ports;
  std::string message;
  int opened = 0;
  for (; opened <= 20; ++opened) {
    DocumentSession* session = OpenDocument(app, NewDocument(std::to_string(opened) + ".fcard"), message);
    if (session == nullptr) break;
    EXPECT_GE(session->listener.port, 8890u);
    EXPECT_LE(session->listener.port, 8909u);
    ports.insert(session->listener.port);
  }
  EXPECT_LE(opened, 20);
  EXPECT_EQ(ports.size(), static_cast<std::size_t>(opened));
  EXPECT_EQ(message, kPortMessage);
  EXPECT_EQ(app.sessions.size(), static_cast<std::size_t>(opened));
}

TEST_F(SessionTest, APortNearTheTopLeavesFewerPortsForLaterDocuments) {
  app.options.port = 65530;
  std::string message;
  DocumentSession* first = OpenDocument(app, NewDocument("first.fcard"), message);
  if (first == nullptr) GTEST_SKIP() << "port 65530 is in use";
  EXPECT_EQ(first->listener.port, 65530u);
  int later = 0;
  for (; later < 6; ++later) {
    DocumentSession* session = OpenDocument(app, NewDocument(std::to_string(later) + ".fcard"), message);
    if (session == nullptr) break;
    EXPECT_GE(session->listener.port, 65531u);
    EXPECT_LE(session->listener.port, 65535u);
  }
  EXPECT_LE(later, 5);
  EXPECT_EQ(message, kPortMessage);
}

TEST_F(SessionTest, AGivenPortThatIsTakenFailsTheFirstDocumentWithoutTryingOthers) {
  app.options.port = 61500;
  std::string message;
  DocumentSession* holder = OpenDocument(app, NewDocument("holder.fcard"), message);
  if (holder == nullptr) GTEST_SKIP() << "port 61500 is in use";
  AppState other;
  other.recentPath = folder.Path("other-recent.txt");
  other.options.port = 61500;
  EXPECT_EQ(OpenDocument(other, NewDocument("second.fcard"), message), nullptr);
  EXPECT_EQ(message, kPortMessage);
}

}  // namespace
